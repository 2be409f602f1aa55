// The .x text reader: every Mesh of the file (inside Frames, placed by their FrameTransformMatrix)
// merged into one mesh of positions, normals when the file has them and one set of texture
// coordinates when it has them; polygons become triangle fans. Materials come back in a buffer of
// D3DXMATERIAL records whose texture names point into the same buffer.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "mesh.h"

namespace {

struct Node {
    std::string type;
    std::vector<double> numbers;
    std::vector<std::string> strings;
    std::vector<Node> children;
    std::string name;
};

class Tokens {
public:
    Tokens(const char* p, const char* end) : p_(p), end_(end) {}
    // The next token: '{', '}', a word, a number or a "string"; empty at the end.
    std::string Next(bool& isString) {
        isString = false;
        for (;;) {
            while (p_ < end_ && (std::isspace(static_cast<unsigned char>(*p_)) || *p_ == ';' || *p_ == ','))
                ++p_;
            if (p_ < end_ && (*p_ == '#' || (*p_ == '/' && p_ + 1 < end_ && p_[1] == '/'))) {
                while (p_ < end_ && *p_ != '\n') ++p_;
                continue;
            }
            break;
        }
        if (p_ >= end_) return "";
        if (*p_ == '{' || *p_ == '}') return std::string(1, *p_++);
        if (*p_ == '"') {
            const char* start = ++p_;
            while (p_ < end_ && *p_ != '"') ++p_;
            std::string s(start, p_);
            if (p_ < end_) ++p_;
            isString = true;
            return s;
        }
        if (*p_ == '<') {  // a template's GUID
            while (p_ < end_ && *p_ != '>') ++p_;
            if (p_ < end_) ++p_;
            return Next(isString);
        }
        const char* start = p_;
        while (p_ < end_ && !std::isspace(static_cast<unsigned char>(*p_)) && *p_ != ';' && *p_ != ',' &&
               *p_ != '{' && *p_ != '}')
            ++p_;
        return std::string(start, p_);
    }

private:
    const char* p_;
    const char* end_;
};

bool IsNumber(const std::string& s) {
    if (s.empty()) return false;
    char* end = nullptr;
    std::strtod(s.c_str(), &end);
    return end && *end == 0;
}

// Reads the body of an object after its '{'; false on a malformed file.
bool ReadBody(Tokens& t, Node& node, int depth) {
    if (depth > 64) return false;
    bool isString;
    std::string pending;  // a word that may start a child object
    for (;;) {
        std::string tok = t.Next(isString);
        if (tok.empty()) return false;
        if (isString) {
            node.strings.push_back(tok);
            continue;
        }
        if (tok == "}") return true;
        if (tok == "{") {
            if (pending.empty()) {  // a reference: { name }
                std::string name = t.Next(isString);
                if (name.empty() || name == "}") return false;
                Node ref;
                ref.type = "@";
                ref.name = name;
                node.children.push_back(ref);
                if (t.Next(isString) != "}") return false;
                continue;
            }
            Node child;
            child.type = pending;
            pending.clear();
            if (!ReadBody(t, child, depth + 1)) return false;
            node.children.push_back(std::move(child));
            continue;
        }
        if (IsNumber(tok)) {
            node.numbers.push_back(std::strtod(tok.c_str(), nullptr));
            continue;
        }
        // A word: the type of a child object, or its name after the type.
        std::string next = t.Next(isString);
        if (next == "{") {
            Node child;
            child.type = tok;
            if (!ReadBody(t, child, depth + 1)) return false;
            node.children.push_back(std::move(child));
        } else if (!next.empty() && !isString && next != "}" && !IsNumber(next)) {
            if (t.Next(isString) != "{") return false;
            Node child;
            child.type = tok;
            child.name = next;
            if (!ReadBody(t, child, depth + 1)) return false;
            node.children.push_back(std::move(child));
        } else {
            return false;
        }
    }
}

struct Vertex {
    float pos[3];
    float normal[3];
    float uv[2];
};

struct Material {
    D3DMATERIAL9 material;
    std::string texture;
};

struct Model {
    std::vector<Vertex> vertices;
    std::vector<DWORD> indices;
    std::vector<Material> materials;
    bool normals = false, uvs = false;
};

using Matrix = double[16];

void MatrixMultiply(const Matrix a, const Matrix b, Matrix out) {
    Matrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            r[i * 4 + j] = 0;
            for (int k = 0; k < 4; ++k) r[i * 4 + j] += a[i * 4 + k] * b[k * 4 + j];
        }
    std::memcpy(out, r, sizeof r);
}

const Node* FindNamed(const Node& root, const std::string& name) {
    for (const Node& c : root.children) {
        if (c.name == name && c.type != "@") return &c;
        if (const Node* found = FindNamed(c, name)) return found;
    }
    return nullptr;
}

bool ReadMaterial(const Node& m, Material& out) {
    if (m.numbers.size() < 11) return false;
    const auto& n = m.numbers;
    out.material = D3DMATERIAL9{};
    out.material.Diffuse = D3DCOLORVALUE{float(n[0]), float(n[1]), float(n[2]), float(n[3])};
    out.material.Power = float(n[4]);
    out.material.Specular = D3DCOLORVALUE{float(n[5]), float(n[6]), float(n[7]), 1.f};
    out.material.Emissive = D3DCOLORVALUE{float(n[8]), float(n[9]), float(n[10]), 1.f};
    for (const Node& c : m.children)
        if (c.type == "TextureFilename" && !c.strings.empty()) out.texture = c.strings[0];
    return true;
}

// A count or index read from the file: numbers from 0 to 1e7 as they are, any other (negative, huge,
// not a number) as SIZE_MAX, which no count matches and no bound admits.
size_t AsCount(double v) { return v >= 0 && v <= 1e7 ? size_t(v) : SIZE_MAX; }

bool ReadMesh(const Node& mesh, const Node& root, const Matrix world, Model& model) {
    const auto& n = mesh.numbers;
    size_t at = 0;
    auto take = [&](double& v) {
        if (at >= n.size()) return false;
        v = n[at++];
        return true;
    };
    double count;
    if (!take(count) || count < 1 || count > 1e7 || at + size_t(count) * 3 > n.size()) return false;
    const size_t base = model.vertices.size();
    const size_t vertexCount = size_t(count);
    for (size_t i = 0; i < vertexCount; ++i) {
        double p[3] = {n[at], n[at + 1], n[at + 2]};
        at += 3;
        Vertex v{};
        for (int j = 0; j < 3; ++j)
            v.pos[j] = float(p[0] * world[0 * 4 + j] + p[1] * world[1 * 4 + j] + p[2] * world[2 * 4 + j] + world[12 + j]);
        model.vertices.push_back(v);
    }
    double faces;
    if (!take(faces) || faces < 1 || faces > 1e7) return false;
    std::vector<std::vector<DWORD>> polygons;
    for (size_t f = 0; f < size_t(faces); ++f) {
        double corners;
        if (!take(corners) || corners < 3 || corners > 64) return false;
        std::vector<DWORD> poly;
        for (size_t k = 0; k < size_t(corners); ++k) {
            double idx;
            if (!take(idx) || idx < 0 || idx >= count) return false;
            poly.push_back(DWORD(idx));
        }
        for (size_t k = 1; k + 1 < poly.size(); ++k)
            model.indices.insert(model.indices.end(), {DWORD(base + poly[0]), DWORD(base + poly[k]), DWORD(base + poly[k + 1])});
        polygons.push_back(std::move(poly));
    }
    for (const Node& c : mesh.children) {
        const auto& m = c.numbers;
        if (c.type == "MeshNormals" && !m.empty()) {
            const size_t normalCount = AsCount(m[0]);
            if (normalCount == SIZE_MAX || m.size() < 1 + normalCount * 3) return false;
            auto setNormal = [&](size_t vertex, size_t normal) {
                Vertex& v = model.vertices[base + vertex];
                double d[3];
                for (int j = 0; j < 3; ++j) {
                    const double* src = &m[1 + normal * 3];
                    d[j] = src[0] * world[0 * 4 + j] + src[1] * world[1 * 4 + j] + src[2] * world[2 * 4 + j];
                }
                double len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
                for (int j = 0; j < 3; ++j) v.normal[j] = len > 0 ? float(d[j] / len) : 0.f;
            };
            // Face normals give each corner its normal; without them normals pair with vertices.
            size_t p = 1 + normalCount * 3;
            if (p < m.size() && AsCount(m[p]) == polygons.size()) {
                ++p;
                for (const auto& poly : polygons) {
                    if (p >= m.size() || AsCount(m[p]) != poly.size() || p + poly.size() >= m.size() + 1) return false;
                    ++p;
                    for (DWORD corner : poly) {
                        if (p >= m.size() || AsCount(m[p]) >= normalCount) return false;
                        setNormal(corner, AsCount(m[p++]));
                    }
                }
            } else if (normalCount == vertexCount) {
                for (size_t i = 0; i < vertexCount; ++i) setNormal(i, i);
            }
            model.normals = true;
        } else if (c.type == "MeshTextureCoords" && !m.empty()) {
            const size_t uvCount = AsCount(m[0]);
            if (uvCount != vertexCount || m.size() < 1 + uvCount * 2) return false;
            for (size_t i = 0; i < uvCount; ++i) {
                model.vertices[base + i].uv[0] = float(m[1 + 2 * i]);
                model.vertices[base + i].uv[1] = float(m[2 + 2 * i]);
            }
            model.uvs = true;
        } else if (c.type == "MeshMaterialList") {
            for (const Node& mat : c.children) {
                const Node* def = mat.type == "@" ? FindNamed(root, mat.name) : &mat;
                Material out;
                if (def && def->type == "Material" && ReadMaterial(*def, out)) model.materials.push_back(out);
            }
        }
    }
    return true;
}

bool Walk(const Node& node, const Node& root, const Matrix parent, Model& model) {
    Matrix world;
    std::memcpy(world, parent, sizeof world);
    if (node.type == "Frame")
        for (const Node& c : node.children)
            if (c.type == "FrameTransformMatrix" && c.numbers.size() >= 16) {
                Matrix local;
                for (int i = 0; i < 16; ++i) local[i] = c.numbers[size_t(i)];
                MatrixMultiply(local, parent, world);
            }
    for (const Node& c : node.children) {
        if (c.type == "Mesh" && !ReadMesh(c, root, world, model)) return false;
        if (c.type == "Frame" && !Walk(c, root, world, model)) return false;
    }
    return true;
}

}  // namespace

HRESULT D3DXLoadMeshFromXInMemory(const void* data, DWORD size, DWORD options, IDirect3DDevice9* device,
                                  ID3DXBuffer** adjacency, ID3DXBuffer** materials, ID3DXBuffer** effectInstances,
                                  DWORD* materialCount, ID3DXMesh** mesh) {
    if (adjacency) *adjacency = nullptr;
    if (effectInstances) *effectInstances = nullptr;
    if (materials) *materials = nullptr;
    if (materialCount) *materialCount = 0;
    if (!data || !device || !mesh) return D3DERR_INVALIDCALL;
    *mesh = nullptr;
    const char* text = static_cast<const char*>(data);
    if (size < 16 || std::memcmp(text, "xof ", 4) != 0 || std::memcmp(text + 8, "txt ", 4) != 0)
        return D3DXERR_INVALIDDATA;  // only text files
    Tokens tokens(text + 16, text + size);
    Node root;
    bool isString;
    for (;;) {
        std::string tok = tokens.Next(isString);
        if (tok.empty()) break;
        std::string name;
        std::string next = tokens.Next(isString);
        if (next != "{") {
            name = next;
            if (tokens.Next(isString) != "{") return D3DXERR_INVALIDDATA;
        }
        if (tok == "template") {  // declarations of the format itself: skipped
            int depth = 1;
            while (depth > 0) {
                std::string inner = tokens.Next(isString);
                if (inner.empty()) return D3DXERR_INVALIDDATA;
                if (!isString && inner == "{") ++depth;
                if (!isString && inner == "}") --depth;
            }
            continue;
        }
        Node child;
        child.type = tok;
        child.name = name;
        if (!ReadBody(tokens, child, 0)) return D3DXERR_INVALIDDATA;
        root.children.push_back(std::move(child));
    }
    Model model;
    const Matrix identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    if (!Walk(root, root, identity, model) || model.vertices.empty() || model.indices.empty())
        return D3DXERR_INVALIDDATA;

    DWORD fvf = D3DFVF_XYZ | (model.normals ? D3DFVF_NORMAL : 0) | (model.uvs ? D3DFVF_TEX1 : 0);
    if (model.vertices.size() > 0x10000) options |= D3DXMESH_32BIT;
    HRESULT hr = D3DXCreateMeshFVF(DWORD(model.indices.size() / 3), DWORD(model.vertices.size()), options, fvf,
                                   device, mesh);
    if (FAILED(hr)) return hr;
    BYTE* vb;
    (*mesh)->LockVertexBuffer(0, reinterpret_cast<void**>(&vb));
    for (const Vertex& v : model.vertices) {
        std::memcpy(vb, v.pos, 12);
        vb += 12;
        if (model.normals) {
            std::memcpy(vb, v.normal, 12);
            vb += 12;
        }
        if (model.uvs) {
            std::memcpy(vb, v.uv, 8);
            vb += 8;
        }
    }
    (*mesh)->UnlockVertexBuffer();
    void* ib;
    (*mesh)->LockIndexBuffer(0, &ib);
    for (size_t i = 0; i < model.indices.size(); ++i) {
        if (options & D3DXMESH_32BIT)
            static_cast<DWORD*>(ib)[i] = model.indices[i];
        else
            static_cast<WORD*>(ib)[i] = WORD(model.indices[i]);
    }
    (*mesh)->UnlockIndexBuffer();

    // Materials: a file without any gets one white material, so the caller always has a buffer.
    if (model.materials.empty()) {
        Material white{};
        white.material.Diffuse = D3DCOLORVALUE{1, 1, 1, 1};
        model.materials.push_back(white);
    }
    if (materials) {
        size_t bytes = model.materials.size() * sizeof(D3DXMATERIAL);
        for (const Material& m : model.materials) bytes += m.texture.size() + 1;
        auto* buffer = new d3dx9::Buffer(bytes);
        auto* records = static_cast<D3DXMATERIAL*>(buffer->GetBufferPointer());
        char* names = reinterpret_cast<char*>(records + model.materials.size());
        for (size_t i = 0; i < model.materials.size(); ++i) {
            records[i].MatD3D = model.materials[i].material;
            records[i].pTextureFilename = nullptr;
            if (!model.materials[i].texture.empty()) {
                std::memcpy(names, model.materials[i].texture.c_str(), model.materials[i].texture.size() + 1);
                records[i].pTextureFilename = names;
                names += model.materials[i].texture.size() + 1;
            }
        }
        *materials = buffer;
    }
    if (materialCount) *materialCount = DWORD(model.materials.size());
    return D3D_OK;
}
