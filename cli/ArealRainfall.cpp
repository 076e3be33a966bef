#include "cli/ArealRainfall.hpp"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdio>
#include <exception>
#include <list>
#include <map>
#include <mutex>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <utility>

#include "cli/SelectionWeights.hpp"
#include "cli/TextColumns.hpp"
#include "engine/StationList.hpp"
#include "model/DecimalReader.hpp"

namespace kelvarin {
namespace {

// rows read before their selections are weighed together
constexpr std::size_t kBlockRows = 1024;
// the fewest and the most selections the cache holds, however many gauges
constexpr std::size_t kFewestCached = 16;
constexpr std::size_t kMostCached = 65536;

std::string TrimmedText(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// the 1-based stations whose field equals the text
std::vector<long> StationsWith(const std::vector<SceneStation>& stations, const std::string& text,
                               std::string SceneStation::*field) {
    std::vector<long> found;
    for (std::size_t i = 0; i < stations.size(); ++i)
        if (stations[i].*field == text) found.push_back(static_cast<long>(i + 1));
    return found;
}

// one distinct selection's weights by gauge column (0 where a gauge is not in it)
struct SelectionWeightsOfColumns {
    std::vector<double> ColumnWeights;
    std::vector<std::vector<double>> SubbasinWeights;  // per sub-basin, by gauge column
    std::string Key;                                   // "1,3,5-8"
};
using SelectionRef = std::shared_ptr<const SelectionWeightsOfColumns>;

// the selections whose weights are kept, the least recently used given up first
class WeightsCache {
  public:
    explicit WeightsCache(std::size_t cap) : cap_(cap) {}
    SelectionRef Find(const std::string& pattern) {
        const auto found = index_.find(pattern);
        if (found == index_.end()) return nullptr;
        order_.splice(order_.begin(), order_, found->second);
        return found->second->second;
    }
    void Insert(const std::string& pattern, SelectionRef weights) {
        order_.emplace_front(pattern, std::move(weights));
        index_[pattern] = order_.begin();
        if (order_.size() > cap_) {
            index_.erase(order_.back().first);
            order_.pop_back();
        }
    }

  private:
    std::size_t cap_;
    std::list<std::pair<std::string, SelectionRef>> order_;
    std::unordered_map<std::string, std::list<std::pair<std::string, SelectionRef>>::iterator> index_;
};

// Runs task(0 .. count - 1) on up to `jobs` threads; the first failure by index is rethrown,
// so that a run fails the same way whatever the number of threads.
void ParallelFor(int jobs, std::size_t count, const std::function<void(std::size_t)>& task) {
    const std::size_t threads = std::min<std::size_t>(static_cast<std::size_t>(std::max(jobs, 1)), count);
    if (threads <= 1) {
        for (std::size_t i = 0; i < count; ++i) task(i);
        return;
    }
    std::atomic<std::size_t> next{0};
    std::mutex guard;
    std::size_t failedAt = count;
    std::exception_ptr failure;
    auto work = [&] {
        for (std::size_t i = next++; i < count; i = next++) {
            try {
                task(i);
            } catch (...) {
                const std::lock_guard<std::mutex> lock(guard);
                if (i < failedAt) failedAt = i, failure = std::current_exception();
            }
        }
    };
    std::vector<std::thread> pool;
    for (std::size_t t = 1; t < threads; ++t) pool.emplace_back(work);
    work();
    for (std::thread& thread : pool) thread.join();
    if (failure) std::rethrow_exception(failure);
}

// The weighing of a run: the columns, the cache, and every distinct selection met (as one
// bit per gauge column, with its rows, for the weights table).
class SelectionBook {
  public:
    SelectionBook(const std::vector<long>& stationOfColumn, const ArealSettings& settings,
                  const WeightsOfSelection& weights)
        : stationOfColumn_(stationOfColumn),
          settings_(settings),
          weights_(weights),
          cache_(CacheCap(settings, stationOfColumn.size())) {
        for (std::size_t g = 0; g < stationOfColumn.size(); ++g) byStation_.push_back(g);
        std::sort(byStation_.begin(), byStation_.end(),
                  [&](std::size_t a, std::size_t b) { return stationOfColumn[a] < stationOfColumn[b]; });
    }

    static std::size_t CacheCap(const ArealSettings& settings, std::size_t gauges) {
        if (settings.CachedSelections > 0) return settings.CachedSelections;
        const std::size_t weights = (1 + settings.Subbasins) * std::max<std::size_t>(gauges, 1);
        return std::clamp(kCacheBytes / (sizeof(double) * weights + 64), kFewestCached, kMostCached);
    }

    // the bits of the gauges with a record
    static std::string Pattern(const std::vector<char>& present) {
        std::string bits((present.size() + 7) / 8, '\0');
        for (std::size_t g = 0; g < present.size(); ++g)
            if (present[g]) bits[g / 8] = static_cast<char>(bits[g / 8] | (1 << (g % 8)));
        return bits;
    }
    bool Has(const std::string& pattern, std::size_t g) const { return (pattern[g / 8] >> (g % 8)) & 1; }

    // the stations of a pattern, ascending
    std::vector<long> Selection(const std::string& pattern) const {
        std::vector<long> selection;
        for (std::size_t g : byStation_)
            if (Has(pattern, g)) selection.push_back(stationOfColumn_[g]);
        return selection;
    }

    SelectionRef Build(const std::string& pattern) const {
        const std::vector<long> selection = Selection(pattern);
        const std::vector<double> selected = weights_(selection);
        const std::size_t n = selection.size(), subbasins = settings_.Subbasins;
        if (selected.size() != (1 + subbasins) * n) throw std::logic_error("the weights do not match the selection");
        auto entry = std::make_shared<SelectionWeightsOfColumns>();
        entry->ColumnWeights.assign(stationOfColumn_.size(), 0.0);
        entry->SubbasinWeights.assign(subbasins, std::vector<double>(stationOfColumn_.size(), 0.0));
        for (std::size_t g = 0, k = 0; g < byStation_.size(); ++g) {
            const std::size_t column = byStation_[g];
            if (!Has(pattern, column)) continue;
            for (std::size_t s = 0; s < subbasins; ++s) entry->SubbasinWeights[s][column] = selected[(s + 1) * n + k];
            entry->ColumnWeights[column] = selected[k++];
        }
        entry->Key = StationListText(selection);
        return entry;
    }

    // the weights of every row of a block with enough gauges (null for the others): cached,
    // or built for the block's new selections on every thread
    std::vector<SelectionRef> Weigh(const std::vector<std::string>& patterns, const std::vector<char>& enough,
                                    ArealCounts& counts) {
        std::vector<SelectionRef> found(patterns.size());
        std::vector<std::string> fresh;
        std::unordered_map<std::string, std::size_t> freshAt;
        std::vector<std::size_t> waiting(patterns.size(), 0);
        for (std::size_t r = 0; r < patterns.size(); ++r) {
            if (!enough[r]) continue;
            Remember(patterns[r]);
            found[r] = cache_.Find(patterns[r]);
            if (found[r]) {
                ++counts.Hits;
                continue;
            }
            const auto [at, isNew] = freshAt.emplace(patterns[r], fresh.size());
            if (isNew)
                fresh.push_back(patterns[r]);
            else
                ++counts.Hits;
            waiting[r] = at->second;
        }
        std::vector<SelectionRef> built(fresh.size());
        ParallelFor(settings_.Jobs, fresh.size(), [&](std::size_t i) { built[i] = Build(fresh[i]); });
        counts.Built += static_cast<long>(fresh.size());
        for (std::size_t i = 0; i < fresh.size(); ++i) cache_.Insert(fresh[i], built[i]);
        for (std::size_t r = 0; r < patterns.size(); ++r)
            if (enough[r] && !found[r]) found[r] = built[waiting[r]];
        return found;
    }

    void WriteTable(const std::vector<std::string>& names, std::ostream& out) {
        out << "selection,gauges,rows";
        for (const std::string& name : names) out << ',' << CsvField(name);
        out << '\n';
        // block by block, so that the rebuilt weights of selections no longer cached stay few
        for (std::size_t first = 0; first < met_.size(); first += kBlockRows) {
            const std::size_t count = std::min(kBlockRows, met_.size() - first);
            std::vector<SelectionRef> entries(count);
            for (std::size_t i = 0; i < count; ++i) entries[i] = cache_.Find(met_[first + i].first);
            ParallelFor(settings_.Jobs, count, [&](std::size_t i) {
                if (!entries[i]) entries[i] = Build(met_[first + i].first);
            });
            for (std::size_t i = 0; i < count; ++i) {
                const std::string& pattern = met_[first + i].first;
                long gauges = 0;
                for (std::size_t g = 0; g < names.size(); ++g) gauges += Has(pattern, g) ? 1 : 0;
                out << CsvField(entries[i]->Key) << ',' << gauges << ',' << met_[first + i].second;
                for (std::size_t g = 0; g < names.size(); ++g) {
                    out << ',';
                    if (Has(pattern, g)) out << ShortestNumber(entries[i]->ColumnWeights[g]);
                }
                out << '\n';
            }
        }
    }

    long Distinct() const { return static_cast<long>(met_.size()); }
    std::size_t Cap() const { return CacheCap(settings_, stationOfColumn_.size()); }

  private:
    void Remember(const std::string& pattern) {
        const auto [at, isNew] = metAt_.emplace(pattern, met_.size());
        if (isNew) met_.emplace_back(pattern, 0);
        ++met_[at->second].second;
    }

    const std::vector<long>& stationOfColumn_;
    const ArealSettings& settings_;
    const WeightsOfSelection& weights_;
    std::vector<std::size_t> byStation_;  // the columns in ascending station order
    WeightsCache cache_;
    std::vector<std::pair<std::string, long>> met_;  // every distinct selection and its rows, in order met
    std::unordered_map<std::string, std::size_t> metAt_;
};

}  // namespace

std::vector<long> MatchGaugeNames(const std::vector<std::string>& names, const std::vector<SceneStation>& stations,
                                  const std::string& fileName, const std::function<std::string(std::size_t)>& label) {
    auto where = [&](std::size_t c) { return fileName + ": " + label(c); };
    std::vector<long> columns;
    std::unordered_map<long, std::size_t> columnOf;  // station -> gauge column
    for (std::size_t c = 0; c < names.size(); ++c) {
        const std::string name = TrimmedText(names[c]);
        if (name.empty()) throw RainFileError(where(c) + ": the header gives this column no gauge");
        std::vector<long> found = StationsWith(stations, name, &SceneStation::Number);
        const char* by = "number";
        if (found.empty()) {
            found = StationsWith(stations, name, &SceneStation::Name);
            by = "name";
        }
        if (found.empty()) throw RainFileError(where(c) + ": no gauge of the scene has this number or name");
        if (found.size() > 1)
            throw RainFileError(where(c) + ": stations " + std::to_string(found[0]) + " and " +
                                std::to_string(found[1]) + " of the scene share this " + by);
        const auto [earlier, fresh] = columnOf.emplace(found[0], c);
        if (!fresh)
            throw RainFileError(where(c) + ": " + label(earlier->second) + " already holds station " +
                                std::to_string(found[0]));
        columns.push_back(found[0]);
    }
    return columns;
}

std::string ShortestNumber(double value) {
    char text[32];
#if defined(__cpp_lib_to_chars)
    const auto result = std::to_chars(text, text + sizeof text, value);
    return {text, result.ptr};
#else
    // a library without floating-point to_chars: the fewest digits that read back the same
    for (int digits = 1; digits <= 17; ++digits) {
        const int length = std::snprintf(text, sizeof text, "%.*g", digits, value);
        double back = 0.0;
        if (ReadDouble(text, text + length, back).ec == std::errc() && back == value) break;
    }
    return text;
#endif
}

ArealCounts WriteArealRainfall(RainSource& source, const std::vector<long>& stationOfColumn,
                               const ArealSettings& settings, const WeightsOfSelection& weights, ArealSink& sink,
                               std::ostream* weightsOut,
                               const std::function<void(std::uintmax_t done, long rows)>& progress) {
    const std::size_t gauges = stationOfColumn.size();
    SelectionBook book(stationOfColumn, settings, weights);
    ArealCounts counts;
    counts.CacheCap = book.Cap();
    std::vector<RainRow> block(kBlockRows);
    std::vector<std::string> patterns(kBlockRows);
    std::vector<char> enough(kBlockRows);
    std::vector<long> reported(kBlockRows);
    std::vector<double> subbasinValues;
    long row = 0;  // data rows passed
    bool more = true;
    while (more) {
        std::size_t filled = 0;
        while (filled < kBlockRows && (settings.To == 0 || row < settings.To)) {
            if (row + 1 < settings.From) {
                if (!(more = source.Skip())) break;
                ++row;
                continue;
            }
            if (!(more = source.Next(block[filled]))) break;
            ++row;
            const RainRow& r = block[filled];
            reported[filled] = static_cast<long>(std::count(r.Present.begin(), r.Present.end(), 1));
            enough[filled] = reported[filled] >= settings.MinGauges ? 1 : 0;
            patterns[filled] = SelectionBook::Pattern(r.Present);
            ++filled;
        }
        if (settings.To != 0 && row >= settings.To) more = false;
        const std::vector<SelectionRef> found = book.Weigh(
            std::vector<std::string>(patterns.begin(), patterns.begin() + static_cast<std::ptrdiff_t>(filled)),
            std::vector<char>(enough.begin(), enough.begin() + static_cast<std::ptrdiff_t>(filled)), counts);
        for (std::size_t i = 0; i < filled; ++i) {
            const RainRow& r = block[i];
            if (found[i]) {
                double sum = 0.0;
                for (std::size_t g = 0; g < gauges; ++g) sum += found[i]->ColumnWeights[g] * r.Rain[g];
                subbasinValues.clear();
                for (const std::vector<double>& subbasin : found[i]->SubbasinWeights) {
                    double part = 0.0;
                    for (std::size_t g = 0; g < gauges; ++g) part += subbasin[g] * r.Rain[g];
                    subbasinValues.push_back(part);
                }
                sink.Row(r, sum, subbasinValues, reported[i], found[i]->Key);
            } else {
                sink.Row(r, std::nullopt, {}, reported[i], StationListText(book.Selection(patterns[i])));
            }
            ++counts.Rows;
        }
        if (progress && filled > 0) progress(source.Done(), counts.Rows);
    }
    counts.Selections = book.Distinct();
    sink.Finish();
    if (weightsOut) book.WriteTable(source.GaugeNames(), *weightsOut);
    return counts;
}

ArealCounts WriteArealRainfallCsv(RainCsvReader& reader, const std::vector<SceneStation>& stations,
                                  const std::vector<std::string>& declaredMissing, const ArealSettings& settings,
                                  SelectionWeights& weights, std::ostream& out, std::ostream* weightsOut) {
    CsvRainSource source(reader, declaredMissing, 0);
    const std::vector<long> stationOfColumn = source.MatchStations(stations);
    std::vector<long> base = stationOfColumn;
    std::sort(base.begin(), base.end());
    weights.SetBase(base);
    CsvArealSink sink(out, source.TimeName(), weights.SubbasinNames());
    ArealSettings withSubbasins = settings;
    withSubbasins.Subbasins = weights.SubbasinNames().size();
    return WriteArealRainfall(source, stationOfColumn, withSubbasins, std::cref(weights), sink, weightsOut);
}

}  // namespace kelvarin
