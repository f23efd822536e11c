#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace fs = std::filesystem;
using testsupport::Hex;

namespace {

const char* const kTwoColumns =
    "04 00 02 00 02 FF FF FF 00 00 00 00 00 00 01 02 00 FF 01 00 00 00 02 00 00 00 2F FF";

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Quoted(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string Text(const fs::path& path)
{
    const std::vector<uint8_t> bytes = testsupport::ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// Runs the rgm tool in dir with args, capturing its output streams.
Outcome Rgm(const testsupport::TempDir& dir, const std::vector<std::string>& args)
{
    std::string command = "cd " + Quoted(dir.path().string()) + " && " + Quoted(KARVEX_RGM_TOOL);
    for (const std::string& a : args)
        command += " " + Quoted(a);
    const fs::path out = dir.path().parent_path() / (dir.path().filename().string() + ".out");
    const fs::path err = dir.path().parent_path() / (dir.path().filename().string() + ".err");
    command += " >" + Quoted(out.string()) + " 2>" + Quoted(err.string());
    const int raw = std::system(command.c_str());
    Outcome o;
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    o.out = Text(out);
    o.err = Text(err);
    fs::remove(out);
    fs::remove(err);
    return o;
}

size_t Lines(const std::string& s)
{
    size_t n = 0;
    for (char c : s)
        n += c == '\n';
    return n;
}

std::vector<std::string> Entries(const testsupport::TempDir& dir)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path()))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(RgmTool, ConvertsTheTwoColumnFileToABitmap)
{
    testsupport::TempDir dir;
    testsupport::WriteBytes(dir / "two.rgm", Hex(kTwoColumns));
    const Outcome o = Rgm(dir, {"convert", "two.rgm", "two.bmp"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.err, "");
    EXPECT_NE(o.out.find("two.bmp"), std::string::npos);
    const std::vector<uint8_t> bmp = testsupport::ReadBytes(dir / "two.bmp");
    ASSERT_EQ(bmp.size(), 1086u);
    // Colour table: white, black, then the new raster's zeros.
    EXPECT_EQ(std::vector<uint8_t>(bmp.begin() + 54, bmp.begin() + 66),
              (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(std::vector<uint8_t>(bmp.begin() + 1078, bmp.end()),
              (std::vector<uint8_t>{0, 0, 1, 1, 0, 0, 1, 1}));

    // --colors at or above the colour count changes nothing.
    EXPECT_EQ(Rgm(dir, {"convert", "two.rgm", "again.bmp", "--colors", "256"}).status, 0);
    EXPECT_EQ(testsupport::ReadBytes(dir / "again.bmp"), bmp);
}

TEST(RgmTool, InfoTellsCountsAndPartSizes)
{
    testsupport::TempDir dir;
    testsupport::WriteBytes(dir / "two.rgm", Hex(kTwoColumns));
    const Outcome text = Rgm(dir, {"info", "two.rgm"});
    EXPECT_EQ(text.status, 0) << text.err;
    for (const char* want : {"4 x 2 pixels", "#FFFFFF", "#000000", "regions        2",
                             "chains         1", "crack codes    3", "small regions  0", "28 in all",
                             "chain table          8"})
        EXPECT_NE(text.out.find(want), std::string::npos) << want << " in\n" << text.out;

    const Outcome json = Rgm(dir, {"info", "--json", "two.rgm"});
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.out,
              "{\"file\": \"two.rgm\", \"width\": 4, \"height\": 2, \"colorCount\": 2, \"palette\": "
              "[\"#FFFFFF\", \"#000000\"], \"regions\": 2, \"chains\": 1, \"crackCodes\": 3, "
              "\"smallRegions\": 0, \"partBytes\": {\"header\": 11, \"regionSeeds\": 7, "
              "\"chainTable\": 8, \"crackCodes\": 1, \"smallRegionSeeds\": 1, \"trees\": 0}, "
              "\"totalBytes\": 28}\n");
}

// Bytes that are not UTF-8 become \udc80 to \udcff (byte b is U+DC00 + b);
// valid UTF-8 passes through. The name: FF, a whole 地, a cut-off 地, a
// backslash, a quote and an overlong slash.
TEST(RgmTool, JsonEscapesNameBytesThatAreNotUtf8)
{
    testsupport::TempDir dir;
    const std::string name = "\xff\xe5\x9c\xb0\xe5\x9c\\\"\xc0\xaf.rgm";
    testsupport::WriteBytes(dir / name, Hex(kTwoColumns));
    const Outcome json = Rgm(dir, {"info", "--json", name});
    EXPECT_EQ(json.status, 0) << json.err;
    const std::string file = "{\"file\": \"\\udcff\xe5\x9c\xb0\\udce5\\udc9c\\\\\\\"\\udcc0\\udcaf.rgm\", ";
    EXPECT_EQ(json.out.substr(0, file.size()), file);
}

TEST(RgmTool, ConvertsToRgzAndBackByteForByteAndDescribesIt)
{
    testsupport::TempDir dir;
    testsupport::WriteBytes(dir / "two.rgm", Hex(kTwoColumns));
    EXPECT_EQ(Rgm(dir, {"convert", "two.rgm", "two.rgz", "--best"}).status, 0);
    EXPECT_EQ(Rgm(dir, {"convert", "two.rgz", "back.rgm"}).status, 0);
    EXPECT_EQ(testsupport::ReadBytes(dir / "back.rgm"), Hex(kTwoColumns));
    EXPECT_EQ(Rgm(dir, {"convert", "two.rgm", "two.bmp", "--best"}).status, 2);
    // An .rgm file our encoder would not write (its seeds swapped) comes back too.
    const std::vector<uint8_t> swapped =
        Hex("04 00 02 00 02 FF FF FF 00 00 00 01 02 00 00 00 00 FF 01 00 00 00 02 00 00 00 2F FF");
    testsupport::WriteBytes(dir / "swapped.rgm", swapped);
    EXPECT_EQ(Rgm(dir, {"convert", "swapped.rgm", "swapped.rgz"}).status, 0);
    EXPECT_EQ(Rgm(dir, {"convert", "swapped.rgz", "swapped-back.rgm"}).status, 0);
    EXPECT_EQ(testsupport::ReadBytes(dir / "swapped-back.rgm"), swapped);

    const Outcome text = Rgm(dir, {"info", "two.rgz"});
    EXPECT_EQ(text.status, 0) << text.err;
    for (const char* want : {"level best, model mode", "4 x 2 pixels", "layer 1", "4 (matches)"})
        EXPECT_NE(text.out.find(want), std::string::npos) << want << " in\n" << text.out;
    std::vector<uint8_t> damaged = testsupport::ReadBytes(dir / "two.rgz");
    damaged[13] ^= 1;
    testsupport::WriteBytes(dir / "bad.rgz", damaged);
    const Outcome bad = Rgm(dir, {"info", "--json", "bad.rgz"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.out.find("\"checksumOk\": false"), std::string::npos) << bad.out;
}

TEST(RgmTool, DoubleDashEndsTheOptions)
{
    testsupport::TempDir dir;
    testsupport::WriteBytes(dir / "-x.rgm", Hex(kTwoColumns));
    const Outcome o = Rgm(dir, {"convert", "--colors", "2", "--", "-x.rgm", "--json.bmp"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(fs::exists(dir.path() / "--json.bmp"));
}

TEST(RgmTool, HelpVersionAndUsageErrors)
{
    testsupport::TempDir dir;
    const Outcome help = Rgm(dir, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("rgm convert IN OUT [--colors N]"), std::string::npos);
    const Outcome version = Rgm(dir, {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "rgm 1.0.0.1\n");

    const std::vector<std::vector<std::string>> wrong = {
        {},
        {"squash", "a.rgm"},
        {"convert", "a.rgm"},
        {"convert", "a.rgm", "b.bmp", "--colors", "0"},
        {"convert", "a.rgm", "b.bmp", "--colors", "257"},
        {"convert", "a.rgm", "b.bmp", "--colors"},
        {"convert", "a.rgm", "b.bmp", "--json"},
        {"info"},
    };
    for (const auto& args : wrong) {
        const Outcome o = Rgm(dir, args);
        EXPECT_EQ(o.status, 2) << (args.empty() ? "" : args[0]);
        EXPECT_EQ(Lines(o.err), 1u) << o.err;
        EXPECT_EQ(o.err.rfind("rgm: ", 0), 0u) << o.err;
    }
    EXPECT_TRUE(Entries(dir).empty());
}

TEST(RgmTool, FailuresSayWhichFileAndLeaveNoOutput)
{
    testsupport::TempDir dir;
    std::vector<uint8_t> broken = Hex(kTwoColumns);
    broken[26] = 0xFF;  // the chain walks down off the picture
    testsupport::WriteBytes(dir / "broken.rgm", broken);
    testsupport::WriteBytes(dir / "two.rgm", Hex(kTwoColumns));
    fs::create_directory(dir.path() / "folder.bmp");

    struct Case {
        std::vector<std::string> args;
        std::string says;
    };
    const Case cases[] = {
        {{"convert", "broken.rgm", "out.bmp"},
         "rgm: broken.rgm: chain 0 walks off the picture from vertex (2, 2) at byte 26\n"},
        {{"convert", "missing.rgm", "out.bmp"}, "rgm: missing.rgm: cannot open"},
        {{"convert", "two.rgm", "no-folder/out.bmp"}, "rgm: no-folder/out.bmp: "},
        {{"convert", "two.rgm", "folder.bmp"}, "rgm: folder.bmp: "},
        {{"convert", "two.rgm", "out.png"}, "rgm: out.png: cannot write this format"},
        {{"convert", "notes.txt", "out.bmp"}, "rgm: notes.txt: "},
        {{"info", "broken.rgm"}, "rgm: broken.rgm: chain 0 walks off the picture"},
        {{"info", "two.bmp"}, "rgm: two.bmp: not an .rgm file\n"},
    };
    for (const Case& c : cases) {
        const Outcome o = Rgm(dir, c.args);
        EXPECT_EQ(o.status, 1) << o.err;
        EXPECT_EQ(o.err.rfind(c.says, 0), 0u) << o.err;
        EXPECT_EQ(Lines(o.err), 1u) << o.err;
    }
    EXPECT_EQ(Entries(dir), (std::vector<std::string>{"broken.rgm", "folder.bmp", "two.rgm"}));
    EXPECT_TRUE(fs::is_empty(dir.path() / "folder.bmp"));
}

TEST(RgmTool, FailedConvertLeavesExistingOutputAsItWas)
{
    testsupport::TempDir dir;
    std::vector<uint8_t> cut = Hex(kTwoColumns);
    cut.resize(20);
    testsupport::WriteBytes(dir / "cut.rgm", cut);
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    testsupport::WriteBytes(dir / "out.bmp", old);
    const Outcome o = Rgm(dir, {"convert", "cut.rgm", "out.bmp"});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("cut.rgm: file ends early"), std::string::npos) << o.err;
    EXPECT_EQ(testsupport::ReadBytes(dir / "out.bmp"), old);
    EXPECT_EQ(Entries(dir), (std::vector<std::string>{"cut.rgm", "out.bmp"}));
}

TEST(RgmTool, RefusesEveryCutOfTheSample)
{
    testsupport::TempDir dir;
    const std::vector<uint8_t> good = Hex(kTwoColumns);
    for (size_t cut = 0; cut < good.size(); ++cut) {
        testsupport::WriteBytes(dir / "cut.rgm",
                                std::vector<uint8_t>(good.begin(), good.begin() + cut));
        const Outcome o = Rgm(dir, {"convert", "cut.rgm", "out.bmp"});
        EXPECT_EQ(o.status, 1) << cut;
        EXPECT_EQ(Lines(o.err), 1u) << o.err;
        EXPECT_FALSE(fs::exists(dir.path() / "out.bmp")) << cut;
    }
}

}  // namespace
