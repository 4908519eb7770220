// Midpoint subdivision with texture seams: new vertices sit exactly at edge midpoints, faces are rewritten
// in place from the last to the first after one growth of the array.
#include "mesh/subdivide.h"

#include <cmath>
#include <string>
#include <vector>

#include "mesh/edge_table.h"
#include "mesh/rounding.h"

namespace mesh {

namespace {

// The repeats a seam offset delta puts between a and the midpoint (first) and the midpoint and the far
// end (second); the midpoint's coordinate becomes its fraction. 1.01 keeps whole numbers whole despite
// float error in the floors' differences.
void splitSeam(float a, float farEnd, float& middle, std::int32_t& first, std::int32_t& second) {
    const float floorMiddle = std::floor(middle);
    first = nearestInt32(1.01f * (floorMiddle - std::floor(a)));
    second = nearestInt32(1.01f * (std::floor(farEnd) - floorMiddle));
    middle -= floorMiddle;
}

// The texture coordinate of an edge's midpoint; with a seam also rewrites the edge's record to the
// repeats of its two halves.
Vec4 seamMidpoint(const Vec4& ta, const Vec4& tb, EdgeSeam* seam) {
    if (seam == nullptr || (seam->uFirst == 0 && seam->vFirst == 0)) {
        if (seam != nullptr) *seam = {};
        return math::vecScale(math::vecAdd(ta, tb), 0.5f);
    }
    const std::int32_t du = seam->uFirst;
    const std::int32_t dv = seam->vFirst;
    Vec4 farEnd = tb;
    farEnd.x += static_cast<float>(du);
    farEnd.y += static_cast<float>(dv);
    Vec4 middle = math::vecScale(math::vecAdd(ta, farEnd), 0.5f);
    EdgeSeam halves;
    if (du != 0) splitSeam(ta.x, farEnd.x, middle.x, halves.uFirst, halves.uSecond);
    if (dv != 0) splitSeam(ta.y, farEnd.y, middle.y, halves.vFirst, halves.vSecond);
    *seam = halves;
    return middle;
}

// Offsets of the four children of one face from the seam records of its three edges.
void childOffsets(const Face& face, const CornerEdges& cornerEdges, const std::vector<EdgeSeam>& seams,
                  FaceUvOffset* out) {
    // Per corner j: A from corner j to its edge's midpoint, B from the midpoint to corner j + 1 (u);
    // C and D the same for v.
    std::int32_t a[3], b[3], c[3], d[3];
    for (int j = 0; j < 3; ++j) {
        const EdgeSeam& s = seams[static_cast<std::size_t>(cornerEdges[static_cast<std::size_t>(j)])];
        if (face.corner[j] < face.corner[(j + 1) % 3]) {
            a[j] = s.uFirst, b[j] = s.uSecond, c[j] = s.vFirst, d[j] = s.vSecond;
        } else {
            a[j] = -s.uSecond, b[j] = -s.uFirst, c[j] = -s.vSecond, d[j] = -s.vFirst;
        }
    }
    out[0] = {a[0], c[0], -b[2], -d[2]};
    out[1] = {a[1], c[1], -b[0], -d[0]};
    out[2] = {a[2], c[2], -b[1], -d[1]};
    out[3] = {b[0] + a[1], d[0] + c[1], -a[0] - b[2], -c[0] - d[2]};
}

void appendMidpoints(Mesh& mesh, std::int32_t firstNew, std::vector<EdgeSeam>* seams) {
    const std::int32_t edgeCount = mesh.edges.count();
    mesh.positions.resize(firstNew + edgeCount);
    for (std::int32_t e = 0; e < edgeCount; ++e) {
        const IndexPair edge = mesh.edges[e];
        mesh.positions[firstNew + e] = math::vecScale(math::vecAdd(mesh.positions[edge.a], mesh.positions[edge.b]), 0.5f);
    }
    if (mesh.texCoords.empty()) return;
    mesh.texCoords.resize(firstNew + edgeCount);
    for (std::int32_t e = 0; e < edgeCount; ++e) {
        const IndexPair edge = mesh.edges[e];
        EdgeSeam* seam = seams->empty() ? nullptr : &(*seams)[static_cast<std::size_t>(e)];
        mesh.texCoords[firstNew + e] = seamMidpoint(mesh.texCoords[edge.a], mesh.texCoords[edge.b], seam);
    }
}

void splitFaces(Mesh& mesh, std::int32_t firstNew, const std::vector<CornerEdges>& cornerEdges,
                const std::vector<EdgeSeam>& seams) {
    const std::int32_t faceCount = mesh.faceCount();
    const bool offsets = !mesh.faceUvOffsets.empty();
    mesh.faces.resize(4 * faceCount);
    if (offsets) mesh.faceUvOffsets.resize(4 * faceCount);
    // Backwards, so that face k is read before children 4k..4k+3 overwrite anything not yet read.
    for (std::int32_t k = faceCount - 1; k >= 0; --k) {
        const Face face = mesh.faces[k];
        const CornerEdges& edges = cornerEdges[static_cast<std::size_t>(k)];
        const std::int32_t c0 = face.corner[0], c1 = face.corner[1], c2 = face.corner[2];
        const std::int32_t m0 = firstNew + edges[0], m1 = firstNew + edges[1], m2 = firstNew + edges[2];
        mesh.faces[4 * k] = {{c0, m0, m2}};
        mesh.faces[4 * k + 1] = {{c1, m1, m0}};
        mesh.faces[4 * k + 2] = {{c2, m2, m1}};
        mesh.faces[4 * k + 3] = {{m0, m1, m2}};
        if (offsets) childOffsets(face, edges, seams, &mesh.faceUvOffsets[4 * k]);
    }
}

void splitLines(Mesh& mesh, std::int32_t firstNew, const std::vector<std::int32_t>& lineEdges) {
    const std::int32_t lineCount = mesh.lines.count();
    mesh.lines.resize(2 * lineCount);
    for (std::int32_t i = lineCount - 1; i >= 0; --i) {
        const IndexPair line = mesh.lines[i];
        const std::int32_t middle = firstNew + lineEdges[static_cast<std::size_t>(i)];
        mesh.lines[2 * i] = {line.a, middle};
        mesh.lines[2 * i + 1] = {middle, line.b};
    }
}

// Channels 0 to 6 no longer fit the grown mesh; the scratch channel 7 keeps its values.
void emptyWeightChannels(Mesh& mesh) {
    for (std::size_t index = 0; index <= 6; ++index) {
        if (mesh.channels[index]) mesh.channels[index]->clear();
    }
}

Status subdivideOnce(Mesh& mesh) {
    const std::int32_t firstNew = mesh.vertexCount();
    std::vector<CornerEdges> cornerEdges;
    std::vector<std::int32_t> lineEdges;
    std::vector<EdgeSeam> seams;
    const Status table = buildEdgeTable(mesh, {&cornerEdges, &lineEdges, &seams});
    if (!table.ok()) return table;
    appendMidpoints(mesh, firstNew, &seams);
    splitFaces(mesh, firstNew, cornerEdges, seams);
    splitLines(mesh, firstNew, lineEdges);
    return Status::done();
}

}  // namespace

Status checkSubdivision(const Mesh& mesh, std::int32_t times) {
    const std::string what = std::to_string(times) + " subdivisions";
    if (times > kMaxSubdivisions) {
        return Status::refused(what + " are more than the " + std::to_string(kMaxSubdivisions) + " allowed");
    }
    if (times <= 0) return Status::done();
    std::int64_t edges = countEdges(mesh);
    if (edges < 0) {
        return Status::refused("the mesh is prepared for drawing or names vertices it does not have");
    }
    MeshSize size{mesh.vertexCount(), mesh.faceCount(), mesh.lines.count()};
    for (std::int32_t pass = 0; pass < times; ++pass) {
        size.vertices += edges;
        // Each edge splits in two and each face adds three inner edges (fewer only for repeated faces).
        edges = 2 * edges + 3 * size.faces;
        size.faces *= 4;
        size.lines *= 2;
        if (!size.withinLimits()) break;
    }
    return checkMeshSize(size, what);
}

Status subdivide(Mesh& mesh, std::int32_t times) {
    const Status check = checkSubdivision(mesh, times);
    if (!check.ok()) return check;
    emptyWeightChannels(mesh);
    // Without faces and lines a pass changes nothing.
    for (std::int32_t pass = 0; pass < times && (mesh.faceCount() > 0 || mesh.lines.count() > 0); ++pass) {
        const Status once = subdivideOnce(mesh);
        if (!once.ok()) return once;
    }
    return Status::done();
}

void subdivideOnceChecked(Mesh& mesh) {
    emptyWeightChannels(mesh);
    const Status once = subdivideOnce(mesh);
    static_cast<void>(once);  // it refuses only what checkSubdivision has already refused
}

}  // namespace mesh
