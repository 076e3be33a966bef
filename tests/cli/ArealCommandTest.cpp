// kelvarin-cli areal, run end to end as a user runs it: every areal value is judged
// against the weights that `kelvarin-cli weights` prints for the same selection.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "scene/Scene.hpp"
#include "tests/cli/CliRun.hpp"
#include "tests/cli/CsvText.hpp"
#include "tests/scene/TempFile.hpp"

namespace kelvarin {
namespace {

using testing::CliRun;
using testing::CsvFields;
using testing::CsvRecords;
using testing::ReadText;
using testing::RunCli;
using testing::TempFile;
using testing::Value;

const std::filesystem::path kBundled = std::filesystem::path(KELVARIN_BINARY_DIR) / "Kelvarin.ini";
const std::filesystem::path kSquare = std::filesystem::path(KELVARIN_TEST_DATA) / "areal_square.ini";

// a weighted sum of at most a few dozen terms rounds far below this
constexpr double kRelativeTolerance = 1e-12;

std::string Quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

// the stations a --stations list such as "1-4,6,8" names
std::set<long> StationsOfKey(const std::string& key) {
    std::set<long> stations;
    std::stringstream items(key);
    for (std::string item; std::getline(items, item, ',');) {
        const auto dash = item.find('-');
        const long first = std::stol(item.substr(0, dash));
        const long last = dash == std::string::npos ? first : std::stol(item.substr(dash + 1));
        for (long s = first; s <= last; ++s) stations.insert(s);
    }
    return stations;
}

// station -> weight, as `weights --format csv` prints them for a selection
std::map<long, double> PrintedWeights(const std::filesystem::path& scene, const std::string& method,
                                      const std::string& stations) {
    const CliRun run =
        RunCli("weights --format csv --scene " + Quoted(scene) + " --method " + method + " --stations " + stations);
    EXPECT_EQ(run.Status, 0) << run.Err;
    std::map<long, double> weights;
    const auto records = CsvRecords(run.Out);
    for (std::size_t r = 1; r < records.size(); ++r)
        if (records[r].at(6) == "1") weights[std::stol(records[r][0])] = Value(records[r][8]);
    return weights;
}

// a CSV field with the given separator, quoted when it must be
std::string Field(const std::string& text, char separator) {
    if (text.find_first_of(std::string("\"\n") + separator) == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string Table(const std::vector<std::vector<std::string>>& rows, char separator, const std::string& lineEnd) {
    std::string text;
    for (const auto& row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c)
            text += (c ? std::string(1, separator) : "") + Field(row[c], separator);
        text += lineEnd;
    }
    return text;
}

void ExpectRelativelyNear(double actual, double expected, const std::string& what) {
    EXPECT_LE(std::abs(actual - expected), kRelativeTolerance * std::max(1.0, std::abs(expected)))
        << what << ": " << actual << " vs " << expected;
}

// Random rows of the bundled scene with gauges missing in every way the command knows:
// each row's value must be the weighted sum under the weights `weights` prints for the
// gauges that reported, and --weights-out must list those same weights once per selection.
TEST(ArealCommand, EveryRowIsTheWeightedSumUnderThePrintedWeightsOfItsSelection) {
    const Scene scene = LoadScene(kBundled);
    const std::size_t n = scene.Stations.size();
    std::mt19937 random(20240614);
    // columns in a shuffled order, named by number or by name (half of the names are Chinese)
    std::vector<long> stationOfColumn;
    for (std::size_t s = 1; s <= n; ++s) stationOfColumn.push_back(static_cast<long>(s));
    std::shuffle(stationOfColumn.begin(), stationOfColumn.end(), random);
    std::vector<std::vector<std::string>> rows(1, {"time"});
    for (std::size_t c = 0; c < n; ++c) {
        const SceneStation& station = scene.Stations[static_cast<std::size_t>(stationOfColumn[c] - 1)];
        rows[0].push_back(c % 2 ? station.Name : station.Number);
    }
    const std::vector<std::string> missingKinds = {"", "NA", "nan", " NaN ", "-9999", "-9999.0", "M", "na"};
    const std::vector<std::string> times = {
        "2024-06-14 00:00", "2024-06-14T01:00:00+08:00", " 02:00 ", "第3時", "14/06/2024, 04:00", "t\"5\"", "", "06"};
    std::vector<std::map<long, double>> rain;  // station -> record, per row
    for (std::size_t r = 0; r < times.size(); ++r) {
        std::vector<std::string> row = {times[r]};
        std::map<long, double> records;
        for (std::size_t c = 0; c < n; ++c) {
            // the first row has every gauge; the others lose about a third
            if (r > 0 && random() % 3 == 0) {
                row.push_back(missingKinds[random() % missingKinds.size()]);
                continue;
            }
            const double value = static_cast<double>(random() % 800) / 10.0;
            records[stationOfColumn[c]] = value;
            std::ostringstream text;
            text << (random() % 4 == 0 ? " " : "") << value;
            row.push_back(text.str());
        }
        rows.push_back(row);
        rain.push_back(records);
    }
    const TempFile file(Table(rows, ',', "\n"), "rain.csv");
    const auto weightsOut = file.Path().parent_path() / "weights.csv";

    for (const std::string method : {"thiessen", "heightbalance"}) {
        SCOPED_TRACE(method);
        const CliRun run = RunCli("areal --method " + method + " --rain " + Quoted(file.Path()) +
                                  " --missing -9999 --missing M --weights-out " + Quoted(weightsOut));
        ASSERT_EQ(run.Status, 0) << run.Err;
        EXPECT_EQ(run.Err, "");
        const auto out = CsvRecords(run.Out);
        ASSERT_EQ(out.size(), times.size() + 1);
        EXPECT_EQ(out[0], (std::vector<std::string>{"time", "areal_rainfall", "gauges", "selection"}));
        std::map<std::string, std::map<long, double>> printed;  // selection key -> weights
        for (std::size_t r = 0; r < times.size(); ++r) {
            SCOPED_TRACE("row " + std::to_string(r + 2));
            const auto& line = out[r + 1];
            ASSERT_EQ(line.size(), 4u);
            EXPECT_EQ(line[0], times[r]);  // byte for byte
            EXPECT_EQ(line[2], std::to_string(rain[r].size()));
            std::set<long> reported;
            for (const auto& [station, value] : rain[r]) reported.insert(station);
            EXPECT_EQ(StationsOfKey(line[3]), reported);
            const auto& weights = printed[line[3]] = PrintedWeights(kBundled, method, line[3]);
            double expected = 0.0;
            for (const auto& [station, value] : rain[r]) expected += weights.at(station) * value;
            ExpectRelativelyNear(Value(line[1]), expected, "areal rainfall");
            if (r == 0) {
                EXPECT_EQ(line[3], "1-" + std::to_string(n));  // the same selection as --stations all
                EXPECT_EQ(weights, PrintedWeights(kBundled, method, "all"));
            }
        }

        // each selection once, with the printed weights, empty for gauges outside it
        const auto table = CsvRecords(ReadText(weightsOut));
        ASSERT_EQ(table.size(), printed.size() + 1);
        std::vector<std::string> head = {"selection", "gauges", "rows"};
        head.insert(head.end(), rows[0].begin() + 1, rows[0].end());
        EXPECT_EQ(table[0], head);
        long rowsCovered = 0;
        for (std::size_t k = 1; k < table.size(); ++k) {
            const auto& entry = table[k];
            ASSERT_EQ(entry.size(), n + 3);
            ASSERT_EQ(printed.count(entry[0]), 1u) << entry[0];
            const auto& weights = printed.at(entry[0]);
            EXPECT_EQ(entry[1], std::to_string(weights.size()));
            rowsCovered += std::stol(entry[2]);
            for (std::size_t c = 0; c < n; ++c) {
                const auto found = weights.find(stationOfColumn[c]);
                if (found == weights.end()) {
                    EXPECT_EQ(entry[c + 3], "") << "column " << c;
                } else {
                    // from the construction of every gauge, a selection's weights agree with its own
                    // construction's to rounding
                    EXPECT_NEAR(Value(entry[c + 3]), found->second, kRelativeTolerance) << "column " << c;
                }
            }
        }
        EXPECT_EQ(rowsCovered, static_cast<long>(times.size()));
    }
}

// Three gauges on a square basin whose Thiessen weights are worked out by hand
// (tests/data/areal_square.ini): A 0.4375, B 0.28125, C 0.28125; without A, B and C
// halve the square. Every separator, a byte-order mark and CRLF line ends read alike.
TEST(ArealCommand, ThreeGaugesOnASquareGiveTheHandWorkedValues) {
    const std::vector<std::vector<std::string>> rows = {
        {"時間", "Cedar", "Ash", "B"},  // columns by name and number, not in file order
        {"2024-01-01 00:00", "40", "10", "20"},
        {"1 Jan, 01:00", "40", "NA", "20"},
        {" 02:00 ", "", "10", ""},
        {"03:00", "", "", ""},
    };
    struct Expected {
        const char* Value;
        const char* Gauges;
        const char* Key;
    };
    // A 10, B 20, C 40: 0.4375*10 + 0.28125*20 + 0.28125*40 = 21.25; B and C alone: 30
    const std::vector<Expected> thiessen = {{"21.25", "3", "1-3"}, {"30", "2", "2,3"}, {"10", "1", "1"}, {"", "0", ""}};
    const std::vector<Expected> mean = {{"23.333333333333332", "3", "1-3"}, {"30", "2", "2,3"}, {"10", "1", "1"}};
    const std::vector<Expected> twoOrMore = {{"21.25", "3", "1-3"}, {"30", "2", "2,3"}, {"", "1", "1"}, {"", "0", ""}};
    struct Variant {
        char Separator;
        std::string Start, LineEnd;
    };
    for (const Variant& variant :
         {Variant{',', "", "\n"}, Variant{';', "\xEF\xBB\xBF", "\r\n"}, Variant{'\t', "", "\n"}}) {
        SCOPED_TRACE(std::string("separator ") + variant.Separator);
        const TempFile file(variant.Start + Table(rows, variant.Separator, variant.LineEnd), "rain.csv");
        auto check = [&](const std::string& arguments, const std::vector<Expected>& expected) {
            SCOPED_TRACE(arguments);
            const CliRun run =
                RunCli("areal --scene " + Quoted(kSquare) + " --rain " + Quoted(file.Path()) + " " + arguments);
            ASSERT_EQ(run.Status, 0) << run.Err;
            const auto out = CsvRecords(run.Out);
            ASSERT_EQ(out.size(), rows.size());
            EXPECT_EQ(out[0][0], "時間");
            for (std::size_t r = 0; r < expected.size(); ++r) {
                ASSERT_EQ(out[r + 1].size(), 4u);
                EXPECT_EQ(out[r + 1][0], rows[r + 1][0]);
                if (*expected[r].Value) {
                    ExpectRelativelyNear(Value(out[r + 1][1]), Value(expected[r].Value),
                                         "row " + std::to_string(r + 2));
                } else {
                    EXPECT_EQ(out[r + 1][1], "");
                }
                EXPECT_EQ(out[r + 1][2], expected[r].Gauges);
                EXPECT_EQ(out[r + 1][3], expected[r].Key);
            }
        };
        check("", thiessen);  // the scene shows Thiessen polygons
        check("--method thiessen --min-gauges 2", twoOrMore);
        check("--method mean", mean);
    }
    // height-balance: the scene is loaded without centre points, so the command reads them itself
    const TempFile file(Table(rows, ',', "\n"), "rain.csv");
    const CliRun run =
        RunCli("areal --method heightbalance --scene " + Quoted(kSquare) + " --rain " + Quoted(file.Path()));
    ASSERT_EQ(run.Status, 0) << run.Err;
    const auto out = CsvRecords(run.Out);
    ASSERT_EQ(out.size(), rows.size());
    const auto weights = PrintedWeights(kSquare, "heightbalance", "all");
    ExpectRelativelyNear(Value(out[1][1]), weights.at(1) * 10 + weights.at(2) * 20 + weights.at(3) * 40,
                         "heightbalance");
}

// Every error is one line naming the file, the row and the column where there is one;
// the exit status is 2 and the output files keep what they held before.
TEST(ArealCommand, BadFilesAreOneLineErrorsAndLeaveNoPartialOutput) {
    struct Case {
        std::string Rain;
        std::string Arguments;
        std::vector<std::string> Says;
    };
    const std::string head = "time,KV01,KV02,KV03\n";
    const std::vector<Case> cases = {
        {head + "a,1,2,3\nb,1,-5,3\n", "", {"row 3, column 3 (KV02)", "\"-5\" is negative"}},
        {head + "a,1,2,-9999\n", "--missing -999", {"row 2, column 4 (KV03)", "negative"}},
        {head + "a,1,2,3\nb,1,2,abc\n", "", {"row 3, column 4 (KV03)", "\"abc\" is not a number"}},
        {"time;KV01;KV02\na;1,5;2\n", "", {"row 2, column 2 (KV01)", "\"1,5\" is not a number"}},
        {head + "a,1,inf,3\n", "", {"row 2, column 3 (KV02)", "not a number"}},
        {head + "a,1,0x10,3\n", "", {"row 2, column 3 (KV02)", "not a number"}},
        {"time,KV01,KV99\na,1,2\n", "", {"column 3 (KV99)", "no gauge of the scene"}},
        {"time,KV01,霧溪口\na,1,2\n", "", {"column 3 (霧溪口)", "column 2 (KV01) already holds station 1"}},
        {"time,KV01,\na,1,2\n", "", {"column 3 ()", "no gauge"}},
        {head + "a,1,2,3\nb,1,2\n", "", {"row 3", "3 fields, but the header has 4"}},
        {head + "a,1,2,3\n\"b,1,2,3\n", "", {"row 3, column 1", "never closes"}},
        {"", "", {"empty"}},
        {"time\n1\n", "", {"row 1", "no ',', ';' or tab"}},
        {head + "a,1,2,3\n", "--method voronoi", {"--method", "voronoi"}},
        {head + "a,1,2,3\n", "--min-gauges 0", {"--min-gauges"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Rain + " " + c.Arguments);
        const TempFile file(c.Rain, "rain.csv");
        const auto folder = file.Path().parent_path();
        const auto out = folder / "areal.csv", weightsOut = folder / "weights.csv";
        std::ofstream(out) << "kept\n";
        const CliRun run = RunCli("areal --rain " + Quoted(file.Path()) + " --out " + Quoted(out) + " --weights-out " +
                                  Quoted(weightsOut) + " " + c.Arguments);
        EXPECT_EQ(run.Status, 2);
        EXPECT_EQ(run.Out, "");
        ASSERT_FALSE(run.Err.empty());
        EXPECT_EQ(run.Err.find('\n'), run.Err.size() - 1) << "one line: " << run.Err;
        if (c.Arguments.empty()) {
            EXPECT_NE(run.Err.find(file.Path().string()), std::string::npos) << run.Err;
        }
        for (const std::string& says : c.Says) EXPECT_NE(run.Err.find(says), std::string::npos) << run.Err;
        EXPECT_EQ(ReadText(out), "kept\n");
        std::set<std::string> left;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) left.insert(entry.path().filename());
        EXPECT_EQ(left, (std::set<std::string>{"rain.csv", "areal.csv"}));
    }
    // a folder is no rain file, and the rain file is never an output
    const CliRun folder = RunCli("areal --rain " + Quoted(std::filesystem::temp_directory_path()));
    EXPECT_EQ(folder.Status, 2);
    EXPECT_NE(folder.Err.find("is a folder"), std::string::npos) << folder.Err;
    const TempFile file(head + "a,1,2,3\n", "rain.csv");
    const CliRun run = RunCli("areal --rain " + Quoted(file.Path()) + " --out " + Quoted(file.Path()));
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(ReadText(file.Path()), head + "a,1,2,3\n");
}

// 50,000 rows with 12 patterns of missing gauges build the weights 12 times. The
// progress bar shows on a terminal (a pseudo-terminal made by script(1)) and never in
// a redirected stderr.
TEST(ArealCommand, WeightsAreBuiltOncePerDistinctSelection) {
    constexpr int kRows = 50000, kPatterns = 12;
    const Scene scene = LoadScene(kBundled);
    const std::size_t n = scene.Stations.size();
    std::string text = "time";
    for (const SceneStation& station : scene.Stations) text += "," + station.Number;
    text += "\n";
    std::mt19937 random(12);
    for (int r = 0; r < kRows; ++r) {
        // pattern k drops gauges k and k + 6 (pattern 0 drops none)
        const std::size_t k = random() % kPatterns;
        text += std::to_string(r);
        for (std::size_t s = 0; s < n; ++s)
            text += (k != 0 && (s + 1 == k || s + 1 == k + 6)) ? std::string(",") : "," + std::to_string(random() % 50);
        text += "\n";
    }
    const TempFile file(text, "rain.csv");
    const auto out = file.Path().parent_path() / "areal.csv";
    const std::string arguments = "areal --method thiessen --stats --rain " + Quoted(file.Path()) + " --out ";
    const CliRun run = RunCli(arguments + Quoted(out));
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_THAT(run.Err, ::testing::MatchesRegex("areal: 50000 rows, 12 distinct selections, weights built 12 times "
                                                 "\\(12 from the base, 0 whole\\), cache hits 49988, misses 12, at "
                                                 "most 65536 selections cached, peak memory [0-9]+ MB, jobs [0-9]+, "
                                                 "method thiessen\n"));
    const std::string areal = ReadText(out);
    EXPECT_EQ(std::count(areal.begin(), areal.end(), '\n'), kRows + 1);

    // stderr on a terminal: the bar appears, is wiped at the end, and the results are the same
    const auto onTerminal = file.Path().parent_path() / "terminal.csv";
    const auto typescript = file.Path().parent_path() / "typescript.txt";
    const std::string command = "timeout 120 script -qec \"'" + testing::kCli.string() + "' " + arguments +
                                Quoted(onTerminal) + "\" /dev/null >" + Quoted(typescript) + " 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << ReadText(typescript);
    const std::string shown = ReadText(typescript);
    EXPECT_NE(shown.find("\rareal ["), std::string::npos) << shown;
    EXPECT_NE(shown.find(" rows"), std::string::npos) << shown;
    EXPECT_NE(shown.find("\r\033[K"), std::string::npos) << shown;
    EXPECT_EQ(ReadText(onTerminal), areal);
}

}  // namespace
}  // namespace kelvarin

namespace kelvarin {
namespace {

// The output is the same byte for byte on any number of threads and with any cache size,
// and pieces cut with --from and --to, put end to end (each writes the header), are the
// whole run's rows.
TEST(ArealCommand, PiecesAndThreadsGiveTheWholeRunByteForByte) {
    const Scene scene = LoadScene(kBundled);
    std::string text = "time";
    for (const SceneStation& station : scene.Stations) text += "," + station.Number;
    text += "\n";
    std::mt19937 random(25);
    constexpr int kRows = 3000;
    for (int r = 1; r <= kRows; ++r) {
        text += "\"t " + std::to_string(r) + "\"";
        for (std::size_t s = 0; s < scene.Stations.size(); ++s)
            text += random() % 5 == 0 ? std::string(",") : "," + std::to_string(random() % 300) + ".5";
        text += "\n";
    }
    const TempFile file(text, "rain.csv");
    const std::string arguments = "areal --method thiessen --min-gauges 12 --rain " + Quoted(file.Path());
    const CliRun whole = RunCli(arguments + " --jobs 1");
    ASSERT_EQ(whole.Status, 0) << whole.Err;
    for (const std::string more : {" --jobs 2", " --jobs 7 --cache 3", " --cache 1"}) {
        const CliRun run = RunCli(arguments + more);
        ASSERT_EQ(run.Status, 0) << run.Err;
        EXPECT_TRUE(run.Out == whole.Out) << more;
    }
    const std::string header = whole.Out.substr(0, whole.Out.find('\n') + 1);
    std::string joined = header;
    const std::vector<std::pair<int, int>> pieces = {{1, 1}, {2, 1024}, {1025, 1500}, {1501, 2999}, {3000, 4000}};
    for (const auto& [from, to] : pieces) {
        const CliRun run =
            RunCli(arguments + " --jobs 2 --from " + std::to_string(from) + " --to " + std::to_string(to));
        ASSERT_EQ(run.Status, 0) << run.Err;
        ASSERT_EQ(run.Out.compare(0, header.size(), header), 0) << "every piece writes the header";
        joined += run.Out.substr(header.size());
    }
    EXPECT_TRUE(joined == whole.Out);
    // past the end: the header alone; --to before --from: refused
    EXPECT_EQ(RunCli(arguments + " --from 3001").Out, header);
    const CliRun backwards = RunCli(arguments + " --from 5 --to 4");
    EXPECT_EQ(backwards.Status, 2);
    EXPECT_NE(backwards.Err.find("--to"), std::string::npos) << backwards.Err;
}

}  // namespace
}  // namespace kelvarin
