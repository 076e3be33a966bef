#pragma once
// Opening the files an import reads: each must exist before GDAL is asked about it, and a
// table of text goes to GDAL's CSV reader, which finds the separator itself.

#include <gdal_priv.h>

#include <filesystem>
#include <string>

#include "gis/GisError.hpp"

namespace kelvarin::gis {

// Throws GisError about `input` when the path is empty or names nothing (a folder counts:
// GDAL may read one as a data set).
void RequireExisting(const std::filesystem::path& path, GisInput input);

// the vector data set at path, opened for reading; throws GisError about `input` when GDAL
// cannot read it
GDALDatasetUniquePtr OpenVector(const std::filesystem::path& path, GisInput input);

// the names of every layer of a data set, quoted and separated by commas, for a message
std::string LayerNames(GDALDataset& dataset);

}  // namespace kelvarin::gis
