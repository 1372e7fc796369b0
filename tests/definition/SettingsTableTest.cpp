#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "SettingText.h"
#include "Settings.h"

// The documents that describe the settings are held against the one table: the DTD, the README's
// reference table and the ranges the editor's pages print.
namespace {

std::string FileText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string Source(const char* relative) { return FileText(std::string(VELMORA_SOURCE_DIR) + "/" + relative); }

std::string Range(const settings::Setting& row)
{
    return std::to_string(row.min) + "-" + std::to_string(row.max);
}

// The attribute rows of an element.
std::vector<const settings::Setting*> AttributesOf(const settings::Setting& row)
{
    std::vector<const settings::Setting*> rows;
    for (const settings::Setting& attribute : settings::kTable)
        if (attribute.kind == settings::Kind::Attribute && std::string(attribute.container) == row.element)
            rows.push_back(&attribute);
    return rows;
}

// A README reference row: its cells, for each element it names.
struct ReadmeRow {
    std::string container, occurs, type, range, absent, meaning;
};

std::map<std::string, ReadmeRow> ReadmeRows()
{
    std::map<std::string, ReadmeRow> rows;
    std::istringstream lines(Source("README.md"));
    const std::regex name("`([A-Za-z]+)`");
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("| `", 0) != 0) continue;
        std::vector<std::string> cells;
        std::istringstream parts(line.substr(1));
        for (std::string cell; std::getline(parts, cell, '|');) cells.push_back(cell.substr(1, cell.size() - 2));
        if (cells.size() < 7) continue;
        std::vector<std::string> occurs;
        std::istringstream each(cells[2]);
        for (std::string o; std::getline(each, o, ',');) occurs.push_back(o.substr(o.find_first_not_of(' ')));
        std::size_t i = 0;
        for (auto m = std::sregex_iterator(cells[0].begin(), cells[0].end(), name); m != std::sregex_iterator(); ++m, ++i) {
            const std::string o = occurs.size() > i ? occurs[i] : occurs.back();
            rows[(*m)[1]] = {cells[1].substr(1, cells[1].size() - 2), o.substr(0, o.find(" each")), cells[3],
                             cells[4], cells[5], cells[6]};
        }
    }
    return rows;
}

}  // namespace

TEST(SettingsTable, ARecordStartsWithEverySettingAtItsDefault)
{
    const ServiceDefinition fresh;
    for (const settings::Setting& row : settings::kTable) {
        SCOPED_TRACE(row.element);
        EXPECT_FALSE(settings::IsSet(row, fresh));
        if (row.kind == settings::Kind::Boolean) {
            EXPECT_EQ(row.max, 1u);
        }
    }
}

TEST(SettingsTable, TheDtdDeclaresEverySettingInItsContainer)
{
    const std::string dtd = Source("library/definition/Velmora.dtd");
    for (const settings::Setting& row : settings::kTable) {
        SCOPED_TRACE(row.element);
        if (row.kind == settings::Kind::Attribute) {
            EXPECT_NE(dtd.find(std::string("<!ATTLIST ") + row.container + " " + row.element + " CDATA #IMPLIED>"),
                      std::string::npos);
            continue;
        }
        EXPECT_NE(dtd.find(std::string("<!ELEMENT ") + row.element + " (#PCDATA)>"), std::string::npos);
        const std::regex model(std::string("<!ELEMENT ") + row.container + " \\(#PCDATA([^>]*)\\)\\*>");
        std::smatch children;
        ASSERT_TRUE(std::regex_search(dtd, children, model));
        EXPECT_TRUE(std::regex_search(children[1].str(), std::regex(std::string("\\| ") + row.element + "\\b")));
    }
    // The table's own containers hold nothing it lacks.
    for (const settings::Container& container : settings::kContainers) {
        std::smatch children;
        ASSERT_TRUE(std::regex_search(dtd, children, std::regex(std::string("<!ELEMENT ") + container.name +
                                                                " \\(#PCDATA([^>]*)\\)\\*>")));
        const std::string list = children[1].str();
        const std::regex word("[A-Za-z]+");
        for (auto m = std::sregex_iterator(list.begin(), list.end(), word); m != std::sregex_iterator(); ++m)
            EXPECT_NO_THROW(settings::Row(container.name, (*m).str().c_str())) << (*m).str();
    }
}

TEST(SettingsTable, TheReadmeReferenceStatesEachSettingsOccurrenceTypeRangeAndDefault)
{
    const std::map<std::string, ReadmeRow> readme = ReadmeRows();
    for (const settings::Setting& row : settings::kTable) {
        if (row.kind == settings::Kind::Attribute) continue;
        SCOPED_TRACE(row.element);
        const auto found = readme.find(row.element);
        ASSERT_NE(found, readme.end());
        const ReadmeRow& r = found->second;
        EXPECT_EQ(r.container, row.container);
        const bool any = row.kind == settings::Kind::List || row.kind == settings::Kind::Repeated ||
                         row.kind == settings::Kind::Target;
        EXPECT_EQ(r.occurs, any ? "any" : row.minOccurs ? "once" : "0-1");
        const std::vector<const settings::Setting*> attributes = AttributesOf(row);
        switch (row.kind) {
        case settings::Kind::Text:
        case settings::Kind::Repeated: EXPECT_EQ(r.type, "text"); break;
        case settings::Kind::Target: EXPECT_EQ(r.type.rfind("text, attribute", 0), 0u) << r.type; break;
        case settings::Kind::Boolean:
            EXPECT_EQ(r.type, "boolean");
            EXPECT_EQ(r.absent, "false");
            break;
        case settings::Kind::Number:
            EXPECT_EQ(r.type, "plain number");
            EXPECT_EQ(r.absent, std::to_string(row.defaultValue));
            break;
        default:
            EXPECT_EQ(r.type.rfind("bounded number", 0), 0u) << r.type;
            EXPECT_NE(r.range.find(Range(row)), std::string::npos) << r.range;
            if (row.kind != settings::Kind::List) {
                EXPECT_EQ(r.absent.substr(0, r.absent.find(';')), std::to_string(row.defaultValue));
            }
        }
        // A unit the number may be written in is the one its range names; a word, one its meaning gives.
        const std::string unit = settings::UnitName(row.unit);
        if (row.unit != settings::Unit::None) {
            EXPECT_TRUE(std::regex_search(r.range, std::regex("^" + unit + "([,;]|$)"))) << r.range;
        } else {
            EXPECT_FALSE(std::regex_search(r.range, std::regex("^(ms|seconds|bytes|MB)\\b"))) << r.range;
        }
        for (const settings::Word* word = row.words; word && word->text; ++word)
            EXPECT_NE(r.meaning.find(std::string("`") + word->text + "`"), std::string::npos) << word->text;
        for (const settings::Setting* attribute : attributes) {
            EXPECT_NE(r.type.find(std::string("attribute `") + attribute->element + "`"), std::string::npos);
            EXPECT_NE(r.range.find(std::string("`") + attribute->element + "` " + settings::UnitName(attribute->unit) +
                                   ", " + Range(*attribute)),
                      std::string::npos);
            EXPECT_NE(r.absent.find(std::string("`") + attribute->element + "` " +
                                    std::to_string(attribute->defaultValue)),
                      std::string::npos);
        }
    }
    // Every element the README places in the table's containers is a row of it.
    for (const auto& [element, r] : readme) {
        for (const settings::Container& container : settings::kContainers) {
            if (r.container == container.name) {
                EXPECT_NO_THROW(settings::Row(container.name, element.c_str())) << element;
            }
        }
    }
}

TEST(SettingsTable, EveryRangeTheEditorPrintsIsASettingsRange)
{
    const std::string rc = Source("manager/resources/Editor.rc");
    const std::regex printed("\"\\((\\d+) to (\\d+)\\)\"");
    int ranges = 0;
    for (auto m = std::sregex_iterator(rc.begin(), rc.end(), printed); m != std::sregex_iterator(); ++m, ++ranges) {
        bool known = false;
        for (const settings::Setting& row : settings::kTable)
            known = known || (row.editor.control == settings::Control::Edit && row.kind != settings::Kind::Number &&
                              std::to_string(row.min) == (*m)[1] && std::to_string(row.max) == (*m)[2]);
        EXPECT_TRUE(known) << (*m).str();
    }
    EXPECT_GT(ranges, 0);
}
