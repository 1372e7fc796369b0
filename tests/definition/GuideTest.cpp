#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>

// The README is the administrator's guide: what it lists and shows is held against the sources
// it describes, so that it cannot drift from them.
namespace {

std::string FileText(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::filesystem::path Source(const char* relative) { return std::filesystem::path(VELMORA_SOURCE_DIR) / relative; }

// The lines of one section of the README: from its heading to the next heading of any level.
std::vector<std::string> Section(const std::string& heading)
{
    std::vector<std::string> lines;
    std::istringstream readme(FileText(Source("README.md")));
    bool inside = false;
    bool code = false;
    for (std::string line; std::getline(readme, line);) {
        if (line.rfind("```", 0) == 0) code = !code;
        if (!code && line.rfind("#", 0) == 0) inside = line == heading;
        else if (inside) lines.push_back(line);
    }
    return lines;
}

}  // namespace

// Every event the host writes has its id and level in the troubleshooting list, and the list names
// no event the host does not write.
TEST(Guide, ListsEveryEventOfTheMessageTable)
{
    std::map<int, std::string> table;
    const std::string mc = FileText(Source("host/HostMessages.mc"));
    const std::regex message("MessageId=(\\d+)\\s*\\nSeverity=(\\w+)");
    const std::map<std::string, std::string> level = {
        {"Informational", "Information"}, {"Warning", "Warning"}, {"Error", "Error"}};
    for (auto m = std::sregex_iterator(mc.begin(), mc.end(), message); m != std::sregex_iterator(); ++m)
        table[std::stoi((*m)[1])] = level.at((*m)[2]);
    ASSERT_GT(table.size(), 20u);

    std::map<int, std::string> listed;
    const std::regex row("^\\| (\\d+) \\| (\\w+) \\| (.*[a-z].*) \\|$");
    for (const std::string& line : Section("### Event ids")) {
        std::smatch m;
        if (!std::regex_match(line, m, row)) continue;
        EXPECT_TRUE(listed.emplace(std::stoi(m[1]), m[2]).second) << "listed twice: " << m[1];
    }
    EXPECT_EQ(listed, table);
}

// What CI runs is what the README promises, in the same words.
TEST(Guide, KeepsTheTwoCommands)
{
    const std::string readme = FileText(Source("README.md"));
    EXPECT_NE(readme.find("```sh\nbash scripts/demo.sh     # see it work\n"
                          "bash scripts/test.sh     # build and pass every test\n```\n"),
              std::string::npos);
    EXPECT_NE(FileText(Source(".ci/run")).find("\nbash scripts/test.sh\n"), std::string::npos);
}

// A whole definition the README shows is one of the recipes, which the recipe test installs and
// runs; the quick start's among them.
TEST(Guide, ShowsOnlyDefinitionsThatAreRecipes)
{
    std::map<std::string, std::string> recipes;
    for (const auto& entry : std::filesystem::directory_iterator(Source("examples")))
        if (entry.path().extension() == ".xml") recipes[FileText(entry.path())] = entry.path().filename().string();
    ASSERT_GE(recipes.size(), 4u);

    const std::string readme = FileText(Source("README.md"));
    const std::string opening = "```xml\n<?xml";
    std::map<std::string, int> shown;
    for (std::size_t at = readme.find(opening); at != std::string::npos; at = readme.find(opening, at + 1)) {
        const std::size_t begin = at + opening.size() - 5;
        const std::string text = readme.substr(begin, readme.find("```", begin) - begin);
        const auto recipe = recipes.find(text);
        if (recipe == recipes.end()) ADD_FAILURE() << "not a recipe:\n" << text;
        else ++shown[recipe->second];
    }
    EXPECT_EQ(shown["node-server.xml"], 1);
}
