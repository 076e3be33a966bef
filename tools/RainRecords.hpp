#pragma once
// Synthetic gauge records for the examples and benchmarks of `kelvarin-cli areal`:
// storms that come and go, wetter at higher gauges, and records missing at random.
// Deterministic: the same settings give the same bytes on every platform.

#include <cstdint>
#include <string>
#include <vector>

#include "tools/SampleScene.hpp"

namespace kelvarin::sample {

struct RainSettings {
    int Rows = 24;
    int StepHours = 1;                             // 1: hourly records, 24: daily records
    int StartYear = 2024;                          // the first row is 1 January, 00:00
    double MissingShare = 0.05;                    // chance that a cell has no record
    std::vector<std::string> MissingMarks = {""};  // how a missing cell is written, chosen at random
    bool StartInStorm = false;                     // the first row is wet
    int MissingRunSteps = 0;                       // 0: each cell missing at random; N: gauges missing for runs
                                                   // of 1 to N steps, MissingShare of the cells in all
    std::uint64_t Seed = 1;
};

// the rain file: a header "time" followed by every gauge's number, then one row per
// time step with the time as "YYYY-MM-DD HH:00" and each gauge's rain in millimetres
std::string RainRecordsText(const std::vector<Gauge>& gauges, const RainSettings& settings);

// the settings of data/rain_example.csv: a day of hourly records with a storm, some
// cells empty and some "NA"
RainSettings ExampleRainSettings();

// the sample basin with count gauges spread over it and a band around it, heights
// from the terrain and a centre point for every pair
SampleScene SceneWithGauges(int count, std::uint64_t seed);

}  // namespace kelvarin::sample
