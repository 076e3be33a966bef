#pragma once
// One drawing layer of the map window: four shape collections, a colour, a
// visibility flag and a reference point.

#include <memory>
#include <string>

#include "model/Color.hpp"
#include "model/Shapes.hpp"
#include "model/Surface.hpp"
#include "model/cPoint.hpp"

namespace kelvarin {

class cLayer {
  public:
    std::string Name;
    ColorRef Color = 0;  // used when a collection's own colour is 0 or no colour is given
    bool Visible = true;
    bool ShowLabel = false;
    bool Export = true;

    // created on first use at (0, 0, 0)
    PointRef ReferancePoint();
    void SetReferancePoint(PointRef point) { referance_ = std::move(point); }

    // The collections: reading an absent one creates it empty; Set stores the given object.
    kelvarin::Point& Point();
    kelvarin::Polygon& Polygon();
    kelvarin::Polyline& Polyline();
    kelvarin::MutiPolygon& MutiPolygon();
    void SetPoint(std::shared_ptr<kelvarin::Point> c) { point_ = std::move(c); }
    void SetPolygon(std::shared_ptr<kelvarin::Polygon> c) { polygon_ = std::move(c); }
    void SetPolyline(std::shared_ptr<kelvarin::Polyline> c) { polyline_ = std::move(c); }
    void SetMutiPolygon(std::shared_ptr<kelvarin::MutiPolygon> c) { mutiPolygon_ = std::move(c); }

    // moves rings nIndex..max(nIndex, nCount) (all rings when nIndex < 1) into reference coordinates
    void PolygonMapSpaceToReferance(kelvarin::Polygon& hLayerPolygon, long nIndex, long nCount);
    void DrawLayerPolyline(long nIndex, Surface& hPicture);
    void DrawLayerPolyline(long nIndex, Surface& hPicture, ColorRef gColor);
    void DrawLayerPolygon(long nIndex, Surface& hPicture);
    void DrawLayerPolygon(long nIndex, Surface& hPicture, ColorRef gColor);
    // rings, then multi-part rings, then lines; points are not drawn
    void ReDraw(Surface& hPicture);
    // drops the four collections
    void ReSet();

  private:
    void DrawRingItem(Surface& hPicture, const cPolygon& ring, ColorRef color) const;
    void DrawLineItem(Surface& hPicture, const cPolygon& line, ColorRef color) const;
    ColorRef Effective(ColorRef own) const { return own == 0 ? Color : own; }

    PointRef referance_;
    std::shared_ptr<kelvarin::Point> point_;
    std::shared_ptr<kelvarin::Polygon> polygon_;
    std::shared_ptr<kelvarin::Polyline> polyline_;
    std::shared_ptr<kelvarin::MutiPolygon> mutiPolygon_;
};

using LayerRef = std::shared_ptr<cLayer>;

}  // namespace kelvarin
