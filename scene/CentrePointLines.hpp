#pragma once
// The entries of a scene's [CenterPoint] section that hold a point, in order, each with its
// line of the file: each entry with anything after "rem " or "' " cut off, blank ones left
// out. The loader reads the points from them, and the checks find the line of a point that
// breaks the rules.

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "scene/INIProFile.hpp"

namespace kelvarin {

class CentrePointLines {
  public:
    explicit CentrePointLines(const ProfileFile& profile)
        : profile_(profile), lines_(profile.SectionLines("CenterPoint").value_or(std::pair{0L, 0L})) {
        next_ = lines_.first;
    }
    // the lines of the section after its header, up to the next section
    long SectionSize() const { return lines_.second - lines_.first; }
    // the next entry, or nothing after the last
    std::optional<std::string_view> Next() {
        for (; next_ < lines_.second; ++next_) {
            const std::string_view entry = CutSectionComment(SectionEntry(profile_.Line(next_), scratch_));
            if (TrimBlanks(entry).empty()) continue;
            line_ = next_++;
            return entry;
        }
        return std::nullopt;
    }
    // the line of the file the last entry stands on (0 before the first)
    long Line() const { return line_; }

  private:
    const ProfileFile& profile_;
    std::pair<long, long> lines_;
    long next_ = 0, line_ = 0;
    std::string scratch_;
};

}  // namespace kelvarin
