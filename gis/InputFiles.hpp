#pragma once
// Opening the files an import reads: each must exist before GDAL is asked about it, and a
// table of text goes to GDAL's CSV reader, which finds the separator itself.

#include <gdal_priv.h>

#include <filesystem>
#include <string>

namespace kelvarin::gis {

// Throws GisError when the path is empty or names nothing (a folder counts: GDAL may read
// one as a data set); `option` names the input in the message.
void RequireExisting(const std::filesystem::path& path, const std::string& option);

// the vector data set at path, opened for reading; throws GisError when GDAL cannot read it
GDALDatasetUniquePtr OpenVector(const std::filesystem::path& path, const std::string& option);

// the names of every layer of a data set, quoted and separated by commas, for a message
std::string LayerNames(GDALDataset& dataset);

}  // namespace kelvarin::gis
