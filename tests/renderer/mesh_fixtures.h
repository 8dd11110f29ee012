// Small model files that the mesh tests write themselves: OBJ, glTF (a data URI buffer) and PLY.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

namespace vandrel::test {

inline void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A unit octahedron: six vertices, eight faces, wound outward, without normals or UVs.
inline std::string OctahedronObj() {
    return "v 1 0 0\nv -1 0 0\nv 0 1 0\nv 0 -1 0\nv 0 0 1\nv 0 0 -1\n"
           "f 1 3 5\nf 3 2 5\nf 2 4 5\nf 4 1 5\nf 3 1 6\nf 2 3 6\nf 4 2 6\nf 1 4 6\n";
}

// A square in the xy plane from (0, 0) to (2, 1) with UV = (x / 2, y) (or u mirrored), normals +z.
inline std::string QuadObj(bool mirrored = false) {
    const std::string u1 = mirrored ? "0" : "1", u0 = mirrored ? "1" : "0";
    return "v 0 0 0\nv 2 0 0\nv 2 1 0\nv 0 1 0\n"
           "vt " +
           u0 + " 0\nvt " + u1 + " 0\nvt " + u1 + " 1\nvt " + u0 +
           " 1\n"
           "vn 0 0 1\n"
           "f 1/1/1 2/2/1 3/3/1\nf 1/1/1 3/3/1 4/4/1\n";
}

// A sphere of radius 1 in the preview sphere's UV convention: u = 0.5 + atan2(x, z) / 2π,
// v = 0.5 + asin(y) / π, with a seam column of its own.
inline std::string SphereObj(int columns, int rows) {
    constexpr double kPi = std::numbers::pi;
    std::ostringstream out;
    out.precision(9);
    for (int j = 0; j <= rows; ++j) {
        for (int i = 0; i <= columns; ++i) {
            const double u = double(i) / columns, v = double(j) / rows;
            const double theta = 2 * kPi * (u - 0.5), phi = kPi * (v - 0.5);
            const double x = std::sin(theta) * std::cos(phi), y = std::sin(phi),
                         z = std::cos(theta) * std::cos(phi);
            out << "v " << x << ' ' << y << ' ' << z << "\nvn " << x << ' ' << y << ' ' << z
                << "\nvt " << u << ' ' << v << '\n';
        }
    }
    const auto at = [&](int i, int j) { return j * (columns + 1) + i + 1; };
    for (int j = 0; j < rows; ++j) {
        for (int i = 0; i < columns; ++i) {
            const int a = at(i, j), b = at(i + 1, j), c = at(i + 1, j + 1), d = at(i, j + 1);
            out << "f " << a << '/' << a << '/' << a << ' ' << b << '/' << b << '/' << b << ' ' << c
                << '/' << c << '/' << c << '\n';
            out << "f " << a << '/' << a << '/' << a << ' ' << c << '/' << c << '/' << c << ' ' << d
                << '/' << d << '/' << d << '\n';
        }
    }
    return out.str();
}

inline std::string Base64(const std::string& bytes) {
    static const char* kDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t n = 0;
        for (size_t k = 0; k < 3; ++k) {
            n = n << 8 | (i + k < bytes.size() ? static_cast<unsigned char>(bytes[i + k]) : 0);
        }
        const size_t digits = std::min<size_t>(3, bytes.size() - i) + 1;
        for (size_t k = 0; k < 4; ++k) out += k < digits ? kDigits[(n >> (18 - 6 * k)) & 63] : '=';
    }
    return out;
}

// One triangle (0,0,0), (1,0,0), (0,1,0) with UV, no normals; byteLength as declared.
inline std::string TriangleGltf(const std::string& declaredBytes = "") {
    const float positions[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const float uvs[6] = {0, 1, 1, 1, 0, 0};  // glTF's v runs down
    const uint16_t indices[4] = {0, 1, 2, 0};
    std::string data(reinterpret_cast<const char*>(positions), sizeof positions);
    data.append(reinterpret_cast<const char*>(uvs), sizeof uvs);
    data.append(reinterpret_cast<const char*>(indices), sizeof indices);
    const std::string length = declaredBytes.empty() ? std::to_string(data.size()) : declaredBytes;
    return R"({"asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0]}],
  "nodes": [{"mesh": 0}],
  "meshes": [{"primitives": [{"attributes": {"POSITION": 0, "TEXCOORD_0": 1}, "indices": 2}]}],
  "buffers": [{"byteLength": )" +
           length + R"(, "uri": "data:application/octet-stream;base64,)" + Base64(data) + R"("}],
  "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 36},
                  {"buffer": 0, "byteOffset": 36, "byteLength": 24},
                  {"buffer": 0, "byteOffset": 60, "byteLength": 6}],
  "accessors": [
    {"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3",
     "min": [0, 0, 0], "max": [1, 1, 0]},
    {"bufferView": 1, "componentType": 5126, "count": 3, "type": "VEC2"},
    {"bufferView": 2, "componentType": 5123, "count": 3, "type": "SCALAR"}]})";
}

// A tetrahedron as ASCII PLY with per-vertex normals; vertexCount as declared.
inline std::string TetrahedronPly(const std::string& vertexCount = "4",
                                  const std::string& lastFace = "3 1 2 3") {
    return "ply\nformat ascii 1.0\nelement vertex " + vertexCount +
           "\nproperty float x\nproperty float y\nproperty float z\n"
           "property float nx\nproperty float ny\nproperty float nz\n"
           "element face 4\nproperty list uchar int vertex_indices\nend_header\n"
           "1 1 1 0.57735 0.57735 0.57735\n-1 -1 1 -0.57735 -0.57735 0.57735\n"
           "-1 1 -1 -0.57735 0.57735 -0.57735\n1 -1 -1 0.57735 -0.57735 -0.57735\n"
           "3 0 1 2\n3 0 3 1\n3 0 2 3\n" +
           lastFace + "\n";
}

}  // namespace vandrel::test
