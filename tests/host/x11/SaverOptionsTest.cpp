// The saver's command line, and the settings file that XScreenSaver builds command
// lines from: every command line the settings can produce must be one the saver runs.

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "host/x11/SaverOptions.hpp"

namespace kelvarin {
namespace {

// splits a command line at blanks
std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

SaverOptions Parse(const std::string& line, const char* saverWindow = nullptr) {
    return ParseSaverOptions(Words(line), saverWindow);
}

TEST(SaverOptions, WindowIdsAreDecimalOrHexNonzeroAnd32Bit) {
    EXPECT_EQ(ParseWindowId("4194311"), 4194311u);
    EXPECT_EQ(ParseWindowId("0x400007"), 0x400007u);
    EXPECT_EQ(ParseWindowId("0XFFFFFFFF"), 0xFFFFFFFFu);
    for (const char* bad : {"", "0", "0x", "0x0", "-5", "12ab", "0x1g", "4294967296", " 12", "0x100000000"})
        EXPECT_FALSE(ParseWindowId(bad)) << bad;
}

TEST(SaverOptions, TargetFollowsTheDaemonsConventions) {
    EXPECT_EQ(Parse("").Target, SaverTarget::OwnWindow);
    EXPECT_EQ(Parse("-window -fullscreen").Target, SaverTarget::OwnWindow);
    EXPECT_EQ(Parse("-root").Target, SaverTarget::SaverWindow);
    EXPECT_EQ(Parse("-root").WindowId, 0u);
    EXPECT_EQ(Parse("--window-id 0x2a").WindowId, 42u);
    EXPECT_EQ(Parse("--window-id 0x2a").Target, SaverTarget::Preview);
    // the daemon's window wins over -root and the default, not over an explicit choice
    EXPECT_EQ(Parse("-root", "0x300001").WindowId, 0x300001u);
    EXPECT_EQ(Parse("", "3145729").Target, SaverTarget::SaverWindow);
    EXPECT_EQ(Parse("-window", "3145729").Target, SaverTarget::OwnWindow);
    EXPECT_EQ(Parse("-window-id 7", "3145729").WindowId, 7u);
    EXPECT_EQ(Parse("-root", "").WindowId, 0u);
}

TEST(SaverOptions, ValuesAreReadOrClampedAndBadLinesRefused) {
    const SaverOptions options = Parse("-scene /tmp/a.ini -delay 0.5 -method heightbalance");
    EXPECT_EQ(options.Scene, std::filesystem::path("/tmp/a.ini"));
    EXPECT_DOUBLE_EQ(*options.Delay, 0.5);
    EXPECT_EQ(options.Method, 1);
    EXPECT_EQ(Parse("-method all").Method, -1);
    EXPECT_EQ(Parse("-method thiessen").Method, 0);
    EXPECT_DOUBLE_EQ(*Parse("-delay 0").Delay, SaverOptions::kMinDelay);
    EXPECT_DOUBLE_EQ(*Parse("-delay 1e9").Delay, SaverOptions::kMaxDelay);
    for (const char* bad :
         {"-help", "--help", "-h", "-bogus", "-delay", "-delay fast", "-delay nan", "-method voronoi", "-window-id",
          "-window-id 0", "-window -root", "-root -window-id 5", "-root -fullscreen", "-scene", "extra"})
        EXPECT_THROW(Parse(bad), UsageError) << bad;
    EXPECT_THROW(Parse("", "not-a-window"), UsageError);
}

TEST(SaverOptions, SceneCandidatesComeInTheirOrder) {
    using Paths = std::vector<std::filesystem::path>;
    const std::filesystem::path installed = "/usr/share/kelvarin/Kelvarin.ini";
    EXPECT_EQ(SceneCandidates("/opt/k", "/cfg", "/home/u", installed),
              (Paths{"/opt/k/Kelvarin.ini", "/cfg/kelvarin/Kelvarin.ini", installed}));
    // an unset, empty or relative XDG_CONFIG_HOME means ~/.config
    for (const char* xdg : {static_cast<const char*>(nullptr), "", "relative/cfg"})
        EXPECT_EQ(SceneCandidates("/opt/k", xdg, "/home/u", installed),
                  (Paths{"/opt/k/Kelvarin.ini", "/home/u/.config/kelvarin/Kelvarin.ini", installed}));
    EXPECT_EQ(SceneCandidates("", nullptr, nullptr, installed), (Paths{installed}));
}

// the value of an attribute, "" when missing
std::string Attribute(xmlNode* node, const char* name) {
    xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
    if (value == nullptr) return "";
    std::string text(reinterpret_cast<const char*>(value));
    xmlFree(value);
    return text;
}

// every element below node, depth first
void Collect(xmlNode* node, std::vector<xmlNode*>& out) {
    for (xmlNode* child = node->children; child != nullptr; child = child->next) {
        if (child->type != XML_ELEMENT_NODE) continue;
        out.push_back(child);
        Collect(child, out);
    }
}

TEST(SaverSettingsFile, EveryCommandLineItCanBuildIsOneTheSaverRuns) {
    const std::filesystem::path file = std::filesystem::path(KELVARIN_SOURCE_DIR) / "host/x11/kelvarin.xml";
    xmlDoc* document = xmlReadFile(file.c_str(), nullptr, XML_PARSE_NONET);
    ASSERT_NE(document, nullptr) << file;
    xmlNode* root = xmlDocGetRootElement(document);
    ASSERT_STREQ(reinterpret_cast<const char*>(root->name), "screensaver");
    EXPECT_EQ(Attribute(root, "name"), "kelvarin");

    std::vector<xmlNode*> elements;
    Collect(root, elements);
    std::string always;
    std::vector<std::vector<std::string>> choices;  // one list of alternatives per setting
    std::vector<double> delays;
    for (xmlNode* node : elements) {
        const std::string name(reinterpret_cast<const char*>(node->name));
        if (name == "command") always += " " + Attribute(node, "arg");
        if (name == "file") {
            std::string arg = Attribute(node, "arg");
            arg.replace(arg.find('%'), 1, "/tmp/scene.ini");
            choices.push_back({"", arg});
        }
        if (name == "number") {
            std::vector<std::string> values;
            for (const char* bound : {"low", "high", "default"}) {
                std::string arg = Attribute(node, "arg");
                arg.replace(arg.find('%'), 1, Attribute(node, bound));
                values.push_back(arg);
                delays.push_back(std::stod(Attribute(node, bound)));
            }
            choices.push_back(values);
        }
        if (name == "select") {
            std::vector<std::string> values;
            for (xmlNode* option = node->children; option != nullptr; option = option->next)
                if (option->type == XML_ELEMENT_NODE) values.push_back(Attribute(option, "arg-set"));
            choices.push_back(values);
        }
    }
    xmlFreeDoc(document);
    ASSERT_EQ(choices.size(), 3u) << "scene file, pace and method";
    for (double delay : delays) {
        EXPECT_GE(delay, SaverOptions::kMinDelay);
        EXPECT_LE(delay, SaverOptions::kMaxDelay);
    }

    // every combination, as the daemon runs it (XSCREENSAVER_WINDOW set) and by hand
    std::size_t lines = 0;
    std::vector<std::size_t> pick(choices.size(), 0);
    while (true) {
        std::string line = always;
        for (std::size_t i = 0; i < choices.size(); ++i) line += " " + choices[i][pick[i]];
        const std::vector<std::string> words = Words(line);
        for (const char* saverWindow : {static_cast<const char*>(nullptr), "0x200003"}) {
            SaverOptions options;
            ASSERT_NO_THROW(options = ParseSaverOptions(words, saverWindow)) << line;
            EXPECT_EQ(options.Target, SaverTarget::SaverWindow) << line;
            EXPECT_EQ(options.WindowId, saverWindow ? 0x200003u : 0u) << line;
        }
        ++lines;
        std::size_t i = 0;
        while (i < pick.size() && ++pick[i] == choices[i].size()) pick[i++] = 0;
        if (i == pick.size()) break;
    }
    EXPECT_EQ(lines, 2u * 3u * 4u);
}

}  // namespace
}  // namespace kelvarin
