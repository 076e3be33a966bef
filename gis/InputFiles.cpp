#include "gis/InputFiles.hpp"

#include <ogrsf_frmts.h>

#include <system_error>

#include "gis/GdalSupport.hpp"

namespace kelvarin::gis {

namespace {

// a table given as text: CSV, TSV or plain text with a header line
bool IsTextTable(const std::filesystem::path& path) {
    const std::string extension = LowerAscii(path.extension().string());
    return extension == ".csv" || extension == ".tsv" || extension == ".txt";
}

}  // namespace

// the path must name an existing file (or a folder)
void RequireExisting(const std::filesystem::path& path, GisInput input) {
    std::error_code error;
    if (path.empty()) throw GisError(input, "names no file");
    if (!std::filesystem::exists(path, error)) throw GisError(input, GdalPath(path) + ": no such file");
}

// a vector data set; tables of text through the CSV driver alone
GDALDatasetUniquePtr OpenVector(const std::filesystem::path& path, GisInput input) {
    RequireExisting(path, input);
    const bool table = IsTextTable(path);
    const std::string name = (table ? "CSV:" : "") + GdalPath(path);
    const char* const csvOnly[] = {"CSV", nullptr};
    GDALDatasetUniquePtr dataset(
        GDALDataset::Open(name.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, table ? csvOnly : nullptr));
    if (!dataset) {
        const std::string why = LastGdalError();
        throw GisError(
            input, GdalPath(path) + ": not a vector data set GDAL can read" + (why.empty() ? "" : " (" + why + ")"));
    }
    return dataset;
}

// "a", "b", ...
std::string LayerNames(GDALDataset& dataset) {
    std::string names;
    for (OGRLayer* layer : dataset.GetLayers()) names += (names.empty() ? "" : ", ") + Quoted(layer->GetName());
    return names;
}

}  // namespace kelvarin::gis
