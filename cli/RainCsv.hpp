#pragma once
// Gauge records as a CSV file: a header naming the columns, then one record per time
// step. The separator is ',', ';' or a tab (the one the header uses most), fields may
// be quoted with '"' (a quoted field may hold separators, doubled quotes and line
// breaks), line ends are "\n" or "\r\n", and a UTF-8 byte-order mark is skipped.
// The reader holds one record at a time, so files of any length stream through.

#include <cstdint>
#include <istream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "cli/RainSource.hpp"

namespace kelvarin {

class RainCsvReader {
  public:
    // reads the header at once; throws RainFileError for an empty file or a header
    // without a separator
    RainCsvReader(std::istream& in, std::string fileName);

    const std::string& FileName() const { return fileName_; }
    char Separator() const { return separator_; }
    // the header's fields, quotes undone, byte-order mark removed
    const std::vector<std::string>& Header() const { return header_; }

    // the next record; false at the end of the file. Empty lines are skipped. Throws
    // RainFileError for a record whose field count differs from the header's, or a
    // quoted field that never closes.
    bool Next(std::vector<std::string>& fields);

    // the row of the record read last as a spreadsheet shows it: the file's line on
    // which the record starts, the header being row 1
    long Row() const { return row_; }
    // bytes consumed so far (for progress)
    std::uintmax_t BytesRead() const { return bytes_; }

    // "file: row R, column C (header)" for messages about one cell
    std::string Where(std::size_t column) const;

  private:
    // splits the record that starts on the next line; false at the end of the file
    bool ReadRecord(std::vector<std::string>& fields);
    bool ReadLine(std::string& line);

    std::istream& in_;
    std::string fileName_;
    char separator_ = ',';
    std::vector<std::string> header_;
    std::string line_;
    bool pending_ = false;  // line_ holds a record not split yet
    long line_number_ = 0;
    long row_ = 0;
    std::uintmax_t bytes_ = 0;
};

// the number a cell holds (blanks around it allowed), or nothing when it is not a
// plain finite decimal number
std::optional<double> ParseNumber(std::string_view cell);

// Reads rain cells. "No record" is an empty cell, NA and NaN (in any case), and each
// value given with --missing (equal as text, or as a number when both are numbers).
class RainCells {
  public:
    explicit RainCells(const std::vector<std::string>& declaredMissing);

    // nothing when the cell means "no record", else its value. Throws RainFileError
    // (with a message that does not locate the cell) for a negative or non-numeric value
    // that is not declared missing: a bad cell is never read as zero.
    std::optional<double> Read(std::string_view cell) const;

  private:
    std::vector<std::string> texts_;
    std::vector<double> numbers_;
};

// The records of a CSV file as a source: the reader, the cells' rules (texts given with
// --missing besides the usual ones) and the file's size for progress. Kept by reference.
class CsvRainSource : public RainSource {
  public:
    CsvRainSource(RainCsvReader& reader, const std::vector<std::string>& declaredMissing, std::uintmax_t size);
    const std::string& FileName() const override { return reader_.FileName(); }
    std::string TimeName() const override { return reader_.Header().at(0); }
    const std::vector<std::string>& GaugeNames() const override { return names_; }
    std::vector<long> MatchStations(const std::vector<SceneStation>& stations) const override;
    bool Next(RainRow& row) override;
    bool Skip() override;
    std::uintmax_t Done() const override { return reader_.BytesRead(); }
    std::uintmax_t Size() const override { return size_; }

  private:
    RainCsvReader& reader_;
    RainCells cells_;
    std::vector<std::string> names_;
    std::vector<std::string> fields_;
    std::uintmax_t size_;
};

// The CSV output: "time,areal_rainfall,gauges,selection" (the time column named as the
// source names it), the header written at once.
class CsvArealSink : public ArealSink {
  public:
    // subbasins: the names of the scene's sub-basins, a column each after the whole basin's
    CsvArealSink(std::ostream& out, const std::string& timeName, const std::vector<std::string>& subbasins = {});
    void Row(const RainRow& row, std::optional<double> value, const std::vector<double>& subbasins, long gauges,
             const std::string& selection) override;
    void Finish() override;

  private:
    std::ostream& out_;
    std::size_t subbasins_;
};

}  // namespace kelvarin
