#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "OutputLines.h"

namespace {

using namespace output;
using Strings = std::vector<std::string>;

// Pieces fed one after another, with a flush (F) or the end (E) between them; what the file gets.
TEST(LineCutter, WholeLinesGoOutAtOnceAndAnUnfinishedOneWaits)
{
    const struct {
        bool stamped;
        Strings pieces;
        std::string written;
    } cases[] = {
        {false, {"a\nb", "c\n"}, "a\nbc\n"},
        {false, {"a\r\nb"}, "a\r\n"},
        {false, {"a\r\nb", "E"}, "a\r\nb\r\n"},
        {false, {"no end", "F", " more", "E"}, "no end more\r\n"},
        {false, {"", "E"}, ""},
        {true, {"a\nb\n"}, "T a\nT b\n"},
        {true, {"a", "b\nc", "F", "d\n", "e\n"}, "T ab\nT cd\nT e\n"},
        {true, {"\n\n"}, "T \nT \n"},
        {true, {"x", "E"}, "T x\r\n"},
        {true, {"x\n", "E"}, "T x\n"},
    };
    for (const auto& c : cases) {
        LineCutter cutter(c.stamped);
        std::string out;
        for (const std::string& piece : c.pieces) {
            if (piece == "F")
                cutter.Flush("T ", out);
            else if (piece == "E")
                cutter.Finish("T ", out);
            else
                cutter.Feed(piece.data(), piece.size(), "T ", out);
        }
        EXPECT_EQ(out, c.written) << c.pieces.front();
    }
}

TEST(LineCutter, ALineLongerThanTheHoldLimitIsWrittenInPartsAndStampedOnce)
{
    LineCutter cutter(true);
    const std::string chunk(LineCutter::kHoldLimit / 2 + 1, 'x');
    std::string out;
    for (int i = 0; i < 3; ++i) cutter.Feed(chunk.data(), chunk.size(), "T ", out);
    EXPECT_TRUE(cutter.Holding());
    EXPECT_EQ(out, "T " + chunk + chunk);
    cutter.Feed("y\n", 2, "T ", out);
    EXPECT_EQ(out, "T " + chunk + chunk + chunk + "y\n");
}

TEST(OutputLines, StampIsTheLocalTimeToTheMillisecond)
{
    EXPECT_EQ(Stamp({2026, 12, 9, 21, 30, 5, 7}), "2026-12-09 21:30:05.007 ");
}

TEST(OutputLines, RotatedNamesCarryTheTimeBeforeTheExtensionAndAreRecognised)
{
    const LocalTime t{2026, 1, 2, 3, 4, 5, 6};
    const struct {
        const char* path;
        const char* rotated;
    } names[] = {
        {"C:\\logs\\out.log", "C:\\logs\\out.20260102-030405-006.log"},
        {"C:\\logs.d\\out", "C:\\logs.d\\out.20260102-030405-006"},
        {"out.tar.gz", "out.tar.20260102-030405-006.gz"},
        {"C:/x/.hidden", "C:/x/.hidden.20260102-030405-006"},
    };
    for (const auto& n : names) {
        EXPECT_EQ(RotatedName(n.path, t), n.rotated);
        EXPECT_TRUE(IsRotatedOf(n.path, FileNameOf(n.rotated))) << n.path;
    }
    const struct {
        const char* fileName;
        bool rotated;
    } candidates[] = {
        {"OUT.20260102-030405-006.LOG", true}, {"out.log", false},
        {"out.20260102-030405-06.log", false}, {"out.2026010x-030405-006.log", false},
        {"err.20260102-030405-006.log", false}, {"out.20260102-030405-006.txt", false},
        {"out.20260102_030405-006.log", false}, {"xout.20260102-030405-006.log", false},
    };
    for (const auto& c : candidates) EXPECT_EQ(IsRotatedOf("C:\\logs\\out.log", c.fileName), c.rotated) << c.fileName;
}

TEST(OutputLines, TheOldestRotatedFilesBeyondTheKeptNumberGo)
{
    const Strings rotated = {"o.20261209-000000-002.log", "o.20251231-235959-999.log", "O.20261209-000000-001.log",
                             "o.20261210-000000-000.log"};
    EXPECT_EQ(BeyondKept(rotated, 2), (Strings{"o.20251231-235959-999.log", "O.20261209-000000-001.log"}));
    EXPECT_EQ(BeyondKept(rotated, 0).size(), 4u);
    EXPECT_TRUE(BeyondKept(rotated, 4).empty());
}

TEST(OutputLines, RotationCutsOnlyAtLineEnds)
{
    const std::string data = "ab\ncd\nef";
    const struct {
        std::size_t room, whole;
    } cases[] = {{0, 0}, {2, 0}, {3, 3}, {5, 3}, {6, 6}, {100, 6}};
    for (const auto& c : cases) EXPECT_EQ(WholeLinesWithin(data.data(), data.size(), c.room), c.whole) << c.room;
    EXPECT_EQ(FirstLine(data.data(), data.size()), 3u);
    EXPECT_EQ(FirstLine("abc", 3), 3u);
}

// What passed through, in pieces; what the event log gets: the newest 20 lines within 4 KB.
TEST(OutputTail, KeepsTheNewestLinesWithinTheirBounds)
{
    std::string many, longLines;
    for (int i = 1; i <= 30; ++i) many += "line " + std::to_string(i) + "\n";
    std::string last20;
    for (int i = 11; i <= 30; ++i) last20 += (i > 11 ? "\n" : "") + std::string("line ") + std::to_string(i);
    for (int i = 0; i < 3; ++i) longLines += std::string(1500, char('a' + i)) + "\n";
    const struct {
        Strings pieces;
        std::string tail;
    } cases[] = {
        {{}, ""},
        {{"one\r\ntwo\n"}, "one\r\ntwo"},
        {{"no end"}, "no end"},
        {{many}, last20},
        {{many.substr(0, 7), many.substr(7)}, last20},
        {{longLines}, std::string(1500, 'b') + "\n" + std::string(1500, 'c')},
        {{std::string(5000, 'x') + "y"}, std::string(4095, 'x') + "y"},
        {{std::string(9000, 'z'), "\nend\n"}, "end"},
    };
    for (const auto& c : cases) {
        OutputTail tail;
        for (const std::string& piece : c.pieces) tail.Add(piece.data(), piece.size());
        EXPECT_EQ(tail.Text(), c.tail) << c.pieces.size() << " pieces";
        EXPECT_LE(tail.Text().size(), OutputTail::kBytes);
    }
}

}  // namespace
