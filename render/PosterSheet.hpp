#pragma once
// A poster of several frames side by side, each under a one-line title: the
// finished construction of every demonstration cycle on one picture.

#include <filesystem>
#include <memory>
#include <string_view>

#include "render/CairoSurface.hpp"

namespace kelvarin {

class PosterSheet {
  public:
    // room for `tiles` frames of frameWidth x frameHeight, each shrunk to at most 1280
    // pixels wide, and further when the poster would grow beyond kMaxSide pixels on a side
    PosterSheet(int frameWidth, int frameHeight, long tiles);
    ~PosterSheet();
    PosterSheet(const PosterSheet&) = delete;
    PosterSheet& operator=(const PosterSheet&) = delete;

    static constexpr int kMaxSide = 8192;

    // copies the surface's presented frame into the next tile; throws when full
    void Add(const CairoSurface& frame, std::string_view title);
    long Count() const { return count_; }
    long Columns() const { return columns_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // the tile scale: poster pixels per frame pixel, at most 1
    double TileScale() const { return scale_; }

    void WritePng(const std::filesystem::path& file) const;

  private:
    struct Impl;

    long tiles_, columns_, rows_, count_ = 0;
    int frameWidth_, frameHeight_;
    double scale_ = 1.0;
    int tileWidth_ = 0, tileHeight_ = 0, titleHeight_ = 0, gap_ = 0;
    int width_ = 0, height_ = 0;
    std::unique_ptr<Impl> impl_;
};

}  // namespace kelvarin
