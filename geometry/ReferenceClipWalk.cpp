#include "geometry/ReferenceClipWalk.hpp"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "geometry/ModMathTools.hpp"
#include "geometry/Tolerances.hpp"

namespace kelvarin {
namespace {

// the box of every edge of a ring, widened by a margin, in edge order
std::vector<Box> EdgeBoxes(const PointArray& pts, double margin) {
    std::vector<Box> boxes;
    boxes.reserve(static_cast<std::size_t>(pts.Count()));
    for (long j = pts.LBound(); j <= pts.UBound(); ++j)
        boxes.push_back(Box::Of(*pts(j), *pts(RingSuccessor(pts, j))).Widened(margin));
    return boxes;
}

// the box around all boxes
Box Enclosing(const std::vector<Box>& boxes) {
    Box all;
    for (const Box& b : boxes) all.Add(b);
    return all;
}

// two crossings that IsSamePoint takes for one
bool HasCrossingsTooClose(const PointArray& X) {
    for (long i = X.LBound(); i <= X.UBound(); ++i) {
        for (long j = i + 1; j <= X.UBound(); ++j) {
            if (IsSamePoint(*X(i), *X(j), false)) return true;
        }
    }
    return false;
}

// the first and the last vertex of a chain
const cPoint& First(const cPolygon& chain) { return *chain(1); }
const cPoint& Last(const cPolygon& chain) { return *chain(chain.Count()); }

// appends a piece (a new ring) and returns it
cPolygon& NewPiece(PolygonArray& pieces, long& count) {
    count += 1;
    if (count == 1) pieces.ReDim(1, 0);
    pieces.Append(std::make_shared<cPolygon>());
    return *pieces(count);
}

}  // namespace

// every crossing ("In") of an edge of A with an edge of B, in the order A's edge, then B's edge
long FindCrossings(const PointArray& A, const PointArray& B, PointArray& X, Array1<long>& idxA, Array1<long>& idxB) {
    long count = 0;
    if (A.Empty() || B.Empty()) return 0;
    // Only pairs whose boxes meet are handed to SegmentIntersection. An "In" crossing lies in
    // both segments' boxes, up to the snap onto the second segment, which moves it by at most
    // one part in 10^9 of the coordinates; the boxes are widened by twice that, so the pairs
    // left out could never give "In".
    double scale = 0.0;
    for (const PointArray* ring : {&A, &B}) {
        for (const auto& p : *ring) scale = std::max({scale, std::fabs(p->X), std::fabs(p->Y)});
    }
    const double margin = 2.0 * kRelativeTolerance * scale;
    const std::vector<Box> boxesB = EdgeBoxes(B, margin);
    const Box allB = Enclosing(boxesB);
    const Box allA = Enclosing(EdgeBoxes(A, 0.0));
    // B's edges that can meet A at all, in B's order
    std::vector<long> nearB;
    for (long j = B.LBound(); j <= B.UBound(); ++j) {
        if (boxesB[static_cast<std::size_t>(j - B.LBound())].Meets(allA)) nearB.push_back(j);
    }
    for (long i = A.LBound(); i <= A.UBound(); ++i) {
        const long si = RingSuccessor(A, i);
        const Box boxA = Box::Of(*A(i), *A(si));
        if (!boxA.Meets(allB)) continue;
        for (const long j : nearB) {
            if (!boxA.Meets(boxesB[static_cast<std::size_t>(j - B.LBound())])) continue;
            const long sj = RingSuccessor(B, j);
            PointRef pt;
            if (SegmentIntersection(*A(i), *A(si), *B(j), *B(sj), pt) != Verdict::In) continue;
            count += 1;
            if (count == 1) {
                X.ReDim(1, 0);
                idxA.ReDim(1, 0);
                idxB.ReDim(1, 0);
            }
            X.Append(NewPoint(pt->X, pt->Y, pt->z));
            idxA.Append(i);
            idxB.Append(j);
        }
    }
    return count;
}

// the stretches of A's boundary inside B, each from one crossing to the next
long ExtractInsideChains(const PointArray& A, const PointArray& B, PolygonArray& chains, const PointArray& X,
                         const Array1<long>& idx) {
    const long k = idx.Count();
    if (k == 0) return 0;
    const long first = idx.LBound();
    const long last = idx.UBound();

    // crossings in the order of A's edges, and along one edge from its start vertex
    Array1<long> ord(first, last);
    for (long i = first; i <= last; ++i) ord(i) = i;
    for (long a = first; a <= last; ++a) {
        for (long b = a + 1; b <= last; ++b) {
            if (idx(ord(a)) > idx(ord(b)) ||
                (idx(ord(a)) == idx(ord(b)) && IsPointInSegmentBox(*X(ord(b)), *A(idx(ord(a))), *X(ord(a))))) {
                SwapValues(ord(a), ord(b));
            }
        }
    }

    bool inside = WindingAngle(*A(idx(ord(first))), B) != 0.0;
    long count = 0;
    chains.ReDim(1, 0);
    for (long c = first; c <= last; ++c) {
        if (inside) {
            inside = false;
            continue;
        }
        inside = true;
        auto chain = std::make_shared<cPolygon>();
        const cPoint& start = *X(ord(c));
        chain->Add(start.X, start.Y, start.z);
        const long nxt = c < last ? c + 1 : first;
        const long from = idx(ord(c));
        const long to = idx(ord(nxt));
        if (from != to || nxt == first) {
            // A's vertices after this crossing's edge up to the start of the next crossing's edge
            long v = from;
            do {
                v = RingSuccessor(A, v);
                const cPoint& vertex = *A(v);
                chain->Add(vertex.X, vertex.Y, vertex.z);
            } while (v != to);
        }
        const cPoint& end = *X(ord(nxt));
        chain->Add(end.X, end.Y, end.z);
        chains.Append(chain);
        count += 1;
    }
    return count;
}

// appends the chain that continues the ring at endPt; true when the ring is closed
bool JoinChain(long& n, const cPoint& startPt, PointRef& endPt, PolygonArray& chains, cPolygon& ring) {
    for (long i = 1; i <= n; ++i) {
        const cPolygon& chain = *chains(i);
        if (!IsSamePoint(First(chain), *endPt, false)) continue;
        for (long v = 1; v <= chain.Count() - 1; ++v) ring.AddPoint(*chain(v));
        endPt = chain(chain.Count());
        const bool closed = IsSamePoint(*endPt, startPt, false);
        SwapObjects(chains(i), chains(n));
        n -= 1;
        return closed;
    }
    for (long i = 1; i <= n; ++i) {
        const cPolygon& chain = *chains(i);
        if (!IsSamePoint(Last(chain), *endPt, false)) continue;
        for (long v = chain.Count(); v >= 2; --v) ring.AddPoint(*chain(v));
        endPt = chain(1);
        const bool closed = IsSamePoint(*endPt, startPt, false);
        SwapObjects(chains(i), chains(n));
        n -= 1;
        return closed;
    }
    return false;
}

namespace {

// boundaries that never cross: each ring that lies inside the other is a piece
long NestedPieces(PolygonArray& found, const PointArray& A, const PointArray& B) {
    long count = 0;
    if (WindingAngle(*A(A.LBound()), B) != 0.0) {
        cPolygon& piece = NewPiece(found, count);
        for (const auto& vertex : A) piece.AddPoint(*vertex);
    }
    if (WindingAngle(*B(B.LBound()), A) != 0.0) {
        cPolygon& piece = NewPiece(found, count);
        for (const auto& vertex : B) piece.AddPoint(*vertex);
    }
    return count;
}

// one piece from the seed chain of A, joined alternately with chains of B and of A until it
// closes; false when the walk finds no continuation in either list first
bool WalkPiece(const cPolygon& seed, long& nA, long& nB, PolygonArray& chainsA, PolygonArray& chainsB,
               cPolygon& piece) {
    const cPoint startPt = First(seed);
    PointRef endPt = seed(seed.Count());
    for (long v = 1; v <= seed.Count() - 1; ++v) piece.AddPoint(*seed(v));
    int idleTurns = 0;
    for (long t = 1; nA > 0 || nB > 0; ++t) {
        const bool fromB = t % 2 == 1;
        long& n = fromB ? nB : nA;
        const long before = n;
        if (JoinChain(n, startPt, endPt, fromB ? chainsB : chainsA, piece)) return piece.Count() >= 3;
        idleTurns = n == before ? idleTurns + 1 : 0;
        if (idleTurns >= 2) return false;
    }
    return false;
}

}  // namespace

std::optional<long> WalkClip(PolygonArray& pieces, const PointArray& A, const PointArray& B) {
    PointArray X;
    Array1<long> idxA, idxB;
    const long k = FindCrossings(A, B, X, idxA, idxB);
    PolygonArray found;
    long count = 0;
    if (k == 0) {
        count = NestedPieces(found, A, B);
        if (count > 0) pieces = found;
        return count;
    }
    // boundaries in general position cross an even number of times; otherwise a crossing was
    // lost to rounding and the chains cannot pair up. Chains are joined where their ends are
    // the same point by IsSamePoint, so crossings it cannot tell apart would join wrongly.
    if (k % 2 != 0 || HasCrossingsTooClose(X)) return std::nullopt;

    PolygonArray chainsA, chainsB;
    long nA = ExtractInsideChains(A, B, chainsA, X, idxA);
    long nB = ExtractInsideChains(B, A, chainsB, X, idxB);
    // every crossing starts one chain on one ring and ends one on the other
    bool consistent = nA == k / 2 && nB == k / 2;
    for (long i = 1; consistent && i <= nA; ++i)
        consistent = WalkPiece(*chainsA(i), nA, nB, chainsA, chainsB, NewPiece(found, count));
    // a walk that did not close, or chains left over, mean the crossings did not pair up
    if (!consistent || nB > 0) return std::nullopt;
    if (count > 0) pieces = found;
    return count;
}

}  // namespace kelvarin
