// Kelvarin's profile reader against the system's profile services, on generated files:
// comments, blank lines, blanks around "=", duplicate sections and keys, quotes, long
// values, keys without "=", missing sections and keys, names in other letter cases.
// Every string, section and integer read must agree. Buffers are large enough that the
// system cuts nothing (Kelvarin never cuts), which is the only difference allowed.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "host/win32/Win32.hpp"
#include "scene/INIProFile.hpp"

namespace kelvarin {
namespace {

constexpr int kFiles = 300;
constexpr DWORD kBuffer = 1 << 16;

// what a generated file holds, for the queries
struct Generated {
    std::string Text;
    std::vector<std::string> Sections;  // as written, duplicates included
    std::vector<std::string> Keys;      // every key written anywhere
};

class Generator {
  public:
    explicit Generator(unsigned seed) : random_(seed) {}

    Generated File() {
        Generated g;
        const int sections = Pick(0, 6);
        if (Chance(0.3)) Line(g, "; a comment before any section");
        if (Chance(0.2)) Line(g, "orphan=before any section");
        for (int s = 0; s < sections; ++s) {
            // names repeat across sections, in other cases and with blanks around them
            std::string name = kSectionNames[Pick(0, static_cast<int>(std::size(kSectionNames)) - 1)];
            g.Sections.push_back(name);
            if (Chance(0.2)) name = Upper(name);
            Line(g, Blanks() + "[" + Blanks() + name + Blanks() + "]" + (Chance(0.1) ? " ; note" : ""));
            const int lines = Pick(0, 8);
            for (int l = 0; l < lines; ++l) Entry(g);
        }
        return g;
    }

    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    bool Chance(double p) { return std::bernoulli_distribution(p)(random_); }

  private:
    static constexpr const char* kSectionNames[] = {"Polygon1", "Basin", "rainstation", "CenterPoint", "Other"};
    static constexpr const char* kKeyNames[] = {"Name", "Number", "Show", "count", "x", "Value"};

    void Line(Generated& g, const std::string& line) { g.Text += line + (Chance(0.5) ? "\r\n" : "\n"); }

    std::string Blanks() {
        static constexpr const char* kChoices[] = {"", "", "", " ", "  ", "\t"};
        return kChoices[Pick(0, 5)];
    }

    static std::string Upper(std::string text) {
        for (char& c : text) {
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        }
        return text;
    }

    std::string Value() {
        switch (Pick(0, 9)) {
            case 0:
                return "";
            case 1:
                return std::to_string(Pick(-100000, 100000));
            case 2:
                return std::to_string(Pick(0, 999)) + "abc";
            case 3:
                return "\"quoted value\"";
            case 4:
                return "'single quoted'";
            case 5:
                return "\"unbalanced";
            case 6:
                return std::string(static_cast<std::size_t>(Pick(200, 2000)), static_cast<char>('a' + Pick(0, 25)));
            case 7:
                return "(252000, 2652000, 120)";
            case 8:
                return "a = b = c";
            default:
                return "text with  inner   blanks";
        }
    }

    void Entry(Generated& g) {
        switch (Pick(0, 9)) {
            case 0:
                Line(g, "");
                return;
            case 1:
                Line(g, Blanks() + "; comment " + std::to_string(Pick(0, 9)));
                return;
            case 2:
                Line(g, Blanks() + "Alpha     A001     (252000, 2652000, 120)" + Blanks());
                return;
            default: {
                std::string key = kKeyNames[Pick(0, static_cast<int>(std::size(kKeyNames)) - 1)];
                g.Keys.push_back(key);
                if (Chance(0.2)) key = Upper(key);
                Line(g, Blanks() + key + Blanks() + "=" + Blanks() + Value() + Blanks());
                return;
            }
        }
    }

    std::mt19937 random_;
};

// the system's answers
std::string SystemString(const std::string& section, const std::string& key, const std::string& def,
                         const std::string& file) {
    std::string buffer(kBuffer, '\0');
    const DWORD length =
        GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buffer.data(), kBuffer, file.c_str());
    return buffer.substr(0, length);
}

std::string SystemSection(const std::string& section, const std::string& file) {
    std::string buffer(kBuffer, '\0');
    const DWORD length = GetPrivateProfileSectionA(section.c_str(), buffer.data(), kBuffer, file.c_str());
    return buffer.substr(0, length);
}

// NULs shown, for messages
std::string Visible(std::string text) {
    for (char& c : text) {
        if (c == '\0') c = '|';
    }
    return text.size() > 300 ? text.substr(0, 300) + "..." : text;
}

TEST(ProfileDifferential, ReaderAgreesWithTheSystemOnGeneratedFiles) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "kelvarin-profile-differential";
    std::filesystem::create_directories(folder);
    Generator generator(20260412);
    long comparisons = 0;
    int failures = 0;
    for (int n = 0; n < kFiles && failures < 20; ++n) {
        const Generated g = generator.File();
        // an absolute path: a bare name would send the system to the Windows folder
        const std::filesystem::path path = std::filesystem::absolute(folder / ("case" + std::to_string(n) + ".ini"));
        std::ofstream(path, std::ios::binary) << g.Text;
        const std::string file = path.string();
        const ProfileFile profile = ProfileFile::Read(path);

        std::vector<std::string> sections = g.Sections;
        sections.emplace_back("NoSuchSection");
        std::vector<std::string> keys = g.Keys;
        keys.emplace_back("NoSuchKey");
        for (const std::string& section : sections) {
            const std::string ours = ReadProfileSection(section, profile);
            const std::string theirs = SystemSection(section, file);
            ++comparisons;
            if (ours != theirs) {
                ++failures;
                ADD_FAILURE() << "section [" << section << "] of case " << n << ":\n  Kelvarin: " << Visible(ours)
                              << "\n  system:   " << Visible(theirs) << "\n--- file ---\n"
                              << g.Text;
            }
            for (const std::string& key : keys) {
                const std::string def = generator.Chance(0.5) ? "" : "fallback  ";
                const std::string value = ReadProfileString(section, key, def, profile);
                const std::string expected = SystemString(section, key, def, file);
                const int number = ReadProfileInt(section, key, -7, profile);
                const int expectedNumber =
                    static_cast<int>(GetPrivateProfileIntA(section.c_str(), key.c_str(), -7, file.c_str()));
                comparisons += 2;
                if (value != expected || number != expectedNumber) {
                    ++failures;
                    ADD_FAILURE() << "[" << section << "] " << key << " of case " << n << ":\n  Kelvarin: \""
                                  << Visible(value) << "\" " << number << "\n  system:   \"" << Visible(expected)
                                  << "\" " << expectedNumber << "\n--- file ---\n"
                                  << g.Text;
                }
            }
        }
    }
    std::filesystem::remove_all(folder);
    EXPECT_GT(comparisons, 3000);  // the generator really asked many questions
}

}  // namespace
}  // namespace kelvarin
