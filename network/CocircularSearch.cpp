#include "network/CocircularSearch.hpp"

#include <algorithm>
#include <numeric>
#include <utility>

#include "geometry/Predicates.hpp"
#include "network/TriangleNetwork.hpp"

namespace kelvarin {

// The sites of one face of the subdivision all lie on one empty circle, so every triple of
// them passes the search's circle test; the search takes them in lexicographic order, each
// unless it overlaps one taken before. Triangles of other faces never overlap these, so the
// search over the face alone gives the same triangles.
//
// Corners on one circle are in convex position, where two triangles overlap exactly when the
// corners of one do not all lie on one arc of the circle between two corners of the other. The
// triangles taken so far therefore leave free cells, each the sites of one arc between taken
// chords, and a triple is taken exactly when one free cell holds all three of its sites; taking
// it splits that cell into the three arcs between its corners. m - 2 triangles fill the face.
void SearchOnCircle(const std::vector<long>& face, const std::vector<const cPoint*>& P,
                    std::vector<FoundTriangle>& found) {
    const std::size_t m = face.size();
    auto site = [&](std::size_t k) -> const cPoint& { return *P[static_cast<std::size_t>(face[k])]; };
    // the sites counter-clockwise from the lowest of the leftmost: seen from it, every other site
    // lies within a half-turn, and no two of them lie on one line with it
    std::vector<std::size_t> around(m);
    std::iota(around.begin(), around.end(), std::size_t{0});
    const auto lowest = std::min_element(around.begin(), around.end(), [&](std::size_t a, std::size_t b) {
        return site(a).X < site(b).X || (site(a).X == site(b).X && site(a).Y < site(b).Y);
    });
    std::iter_swap(around.begin(), lowest);
    const cPoint& origin = site(around[0]);
    std::sort(around.begin() + 1, around.end(),
              [&](std::size_t a, std::size_t b) { return Orient2D(origin, site(a), site(b)) > 0; });
    std::vector<std::size_t> position(m);
    for (std::size_t k = 0; k < m; ++k) position[around[k]] = k;

    std::vector<std::vector<std::size_t>> cells;  // positions around the circle, ascending
    std::vector<bool> free;
    std::vector<std::vector<std::size_t>> cellsAt(m);  // the cells each position has belonged to
    auto addCell = [&](std::vector<std::size_t> cell) {
        if (cell.size() < 3) return;
        for (const std::size_t q : cell) cellsAt[q].push_back(cells.size());
        cells.push_back(std::move(cell));
        free.push_back(true);
    };
    std::vector<std::size_t> all(m);
    std::iota(all.begin(), all.end(), std::size_t{0});
    addCell(all);
    auto holds = [&](std::size_t c, std::size_t q) { return std::binary_search(cells[c].begin(), cells[c].end(), q); };

    std::size_t taken = 0;
    for (std::size_t a = 0; a + 2 < m; ++a) {
        for (std::size_t b = a + 1; b + 1 < m; ++b) {
            for (std::size_t c = b + 1; c < m; ++c) {
                if (taken + 2 == m) return;
                std::array<std::size_t, 3> q{position[a], position[b], position[c]};
                std::size_t cell = cells.size();
                for (const std::size_t k : cellsAt[q[0]]) {
                    if (free[k] && holds(k, q[1]) && holds(k, q[2])) {
                        cell = k;
                        break;
                    }
                }
                if (cell == cells.size()) continue;
                const cPoint &A = site(a), &B = site(b), &C = site(c);
                cPoint centre;
                if (Orient2D(A, B, C) == 0 || GetCircumCircle(centre, A, B, C) <= 0) continue;
                ++taken;
                found.push_back(FoundTriangle{{face[a], face[b], face[c]}, centre});
                // the cell split into the arcs between the corners
                std::sort(q.begin(), q.end());
                free[cell] = false;
                const std::vector<std::size_t> split = cells[cell];
                std::vector<std::size_t> first, second, third;
                for (const std::size_t r : split) {
                    if (r >= q[0] && r <= q[1]) first.push_back(r);
                    if (r >= q[1] && r <= q[2]) second.push_back(r);
                    if (r >= q[2] || r <= q[0]) third.push_back(r);
                }
                std::sort(third.begin(), third.end());
                addCell(std::move(first));
                addCell(std::move(second));
                addCell(std::move(third));
            }
        }
    }
}

}  // namespace kelvarin
