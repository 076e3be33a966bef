#pragma once
// Rain-gauge stations and the selection wrapper the demonstration switches on and off.

#include <memory>
#include <optional>
#include <string>

#include "model/cPoint.hpp"

namespace kelvarin {

class cGagingStation {
  public:
    std::optional<double> Area;  // controlled area in squared map units; empty until a run gives one
    std::string Name;
    std::string Number;            // identifier text
    std::optional<double> Weight;  // share of the basin area; empty until a run gives one
    PointRef Point;                // location; the loader assigns it
};

class cTypeGagingStation {
  public:
    std::shared_ptr<cGagingStation> GageStation;
    bool pSelect = false;  // true while the station takes part in the current analysis
};

using StationRef = std::shared_ptr<cTypeGagingStation>;

}  // namespace kelvarin
