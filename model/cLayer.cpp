#include "model/cLayer.hpp"

#include <algorithm>

#include "model/modGraphicBasic.hpp"

namespace kelvarin {
namespace {

// bottom-aligned text that moves the current position on
constexpr int kLabelAlign = TextAlign::Bottom | TextAlign::UpdateCurrentPosition;

template <class T>
T& Ensure(std::shared_ptr<T>& collection) {
    if (!collection) collection = std::make_shared<T>();
    return *collection;
}

}  // namespace

PointRef cLayer::ReferancePoint() {
    if (!referance_) referance_ = NewPoint();
    return referance_;
}

Point& cLayer::Point() { return Ensure(point_); }
Polygon& cLayer::Polygon() { return Ensure(polygon_); }
Polyline& cLayer::Polyline() { return Ensure(polyline_); }
MutiPolygon& cLayer::MutiPolygon() { return Ensure(mutiPolygon_); }

void cLayer::PolygonMapSpaceToReferance(kelvarin::Polygon& hLayerPolygon, long nIndex, long nCount) {
    const auto origin = ReferancePoint();
    long first = 1;
    long last = hLayerPolygon.Count();
    if (nIndex >= 1) {
        first = nIndex;
        last = std::max(nIndex, nCount);
    }
    for (long i = first; i <= last; ++i) {
        for (const auto& vertex : *hLayerPolygon.Item(i)) {
            vertex->X -= origin->X;
            vertex->Y -= origin->Y;
        }
    }
}

void cLayer::DrawLayerPolyline(long nIndex, Surface& hPicture) { DrawLayerPolyline(nIndex, hPicture, Color); }

void cLayer::DrawLayerPolyline(long nIndex, Surface& hPicture, ColorRef gColor) {
    const cPolygon& line = *Polyline().Item(nIndex);
    for (long i = 1; i < line.Count(); ++i) {
        const cPoint& a = *line(i);
        const cPoint& b = *line(i + 1);
        hPicture.Line(a.X, a.Y, b.X, b.Y, gColor);
    }
}

void cLayer::DrawLayerPolygon(long nIndex, Surface& hPicture) { DrawLayerPolygon(nIndex, hPicture, Color); }

void cLayer::DrawLayerPolygon(long nIndex, Surface& hPicture, ColorRef gColor) {
    DrawRing(hPicture, *Polygon().Item(nIndex), gColor);
}

void cLayer::ReDraw(Surface& hPicture) {
    if (!Visible) return;
    if (polygon_) {
        const ColorRef color = Effective(polygon_->Color);
        for (const auto& ring : *polygon_) DrawRingItem(hPicture, *ring, color);
    }
    if (mutiPolygon_) {
        const ColorRef color = Effective(mutiPolygon_->Color);
        for (const auto& set : *mutiPolygon_)
            for (const auto& ring : *set) DrawRingItem(hPicture, *ring, color);
    }
    if (polyline_) {
        const ColorRef color = Effective(polyline_->Color);
        for (const auto& line : *polyline_) DrawLineItem(hPicture, *line, color);
    }
}

void cLayer::ReSet() {
    mutiPolygon_.reset();
    polyline_.reset();
    polygon_.reset();
    point_.reset();
}

void cLayer::DrawRingItem(Surface& hPicture, const cPolygon& ring, ColorRef color) const {
    DrawRing(hPicture, ring, color);
    if (ShowLabel) DrawText(hPicture, ring(2)->X, ring(2)->Y, ring.Name, kLabelAlign);
}

void cLayer::DrawLineItem(Surface& hPicture, const cPolygon& line, ColorRef color) const {
    for (long i = 1; i < line.Count(); ++i) {
        const cPoint& a = *line(i);
        const cPoint& b = *line(i + 1);
        hPicture.Line(a.X, a.Y, b.X, b.Y, color);
    }
    if (ShowLabel) DrawText(hPicture, line(1)->X, line(1)->Y, line.Name, kLabelAlign);
}

}  // namespace kelvarin
