#pragma once
// The terrain model of an import: the heights of gauges the table gives none for, and the
// centre point of each gauge pair where the terrain balances the pair's heights.

#include <ogr_spatialref.h>

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "gis/GdalSupport.hpp"
#include "gis/SceneImport.hpp"
#include "model/cPoint.hpp"

class GDALRasterBand;

namespace kelvarin::gis {

// A terrain model read into memory over the part the gauges need, sampled bilinearly
// between cell centres; NaN outside the model and next to no-data cells.
class Terrain {
  public:
    // reads the cells around `sites` (positions of the target system); throws GisError
    Terrain(const std::filesystem::path& path, const OGRSpatialReference& target, const std::vector<cPoint>& sites);

    // the height at a position of the target system, NaN where unknown
    double operator()(double x, double y) const;

    // true when the position lies on the model
    bool Covers(double x, double y) const;

    // the model's file, for messages
    const std::string& File() const { return file_; }

  private:
    void ChooseWindow(const std::vector<cPoint>& sites);
    void ReadCells(GDALRasterBand& band);
    // the cell position (column, row from the model's top left) of a target position
    bool ToCell(double x, double y, double& column, double& row) const;
    double Cell(int i, int j) const {
        return cells_[static_cast<std::size_t>(j) * static_cast<std::size_t>(columns_) + static_cast<std::size_t>(i)];
    }

    std::string file_;
    double inverse_[6] = {};
    Transform toModel_;
    int width_ = 0, height_ = 0;
    int left_ = 0, top_ = 0, columns_ = 0, rows_ = 0;
    std::vector<double> cells_;  // rows_ x columns_, NaN for no-data
};

// Each gauge without a height takes the terrain's. Without a terrain only Thiessen can do
// without heights: its gauges get 0; the other methods throw GisError.
void AssignHeights(std::vector<ImportedGauge>& gauges, const std::optional<Terrain>& terrain, const std::string& show);

// One centre point per gauge pair, in the scene's pair order, where the terrain crosses the
// pair's mean height (the midpoint where it does not, or without a terrain); none for
// Thiessen. How many pairs found a crossing goes to `notes`.
void PlaceCenterPoints(const std::vector<ImportedGauge>& gauges, const std::optional<Terrain>& terrain,
                       const std::string& show, std::vector<cPoint>& centres, std::ostream& notes);

}  // namespace kelvarin::gis
