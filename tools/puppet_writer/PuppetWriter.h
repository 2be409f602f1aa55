// Writes Puppet model files from a readable description, for tests and the demo game.
//
// The description is line based ("#" starts a comment). Object lines:
//   version N | version none      file version (default 9); "none" writes no "pup" header
//   canvas W H                    canvas size (default 400 400)
//   param NAME MIN MAX DEFAULT    a parameter definition
//   part NAME [hidden] [flagA]    a part; the deformers and meshes below belong to it
//   affine NAME PARENT            an affine deformer (PARENT: a deformer or DST_BASE)
//   grid NAME PARENT NX NY        a grid deformer of NX × NY cells
//   mesh NAME PARENT TEXTURE      a textured mesh
// Lines that fill the last deformer or mesh:
//   pivots PARAM V1 V2 …          the pivots of one parameter (the first line varies fastest)
//   key OX OY SX SY ROT           an affine key, one per pivot corner
//   corner X Y X Y …              grid or mesh points of one pivot corner
//   order O …  opacity A …        mesh draw orders and opacities, one per pivot corner
//   uv U V U V …                  mesh texture coordinates (their count gives the point count)
//   triangles I I I …             mesh indices
//   option FLAGS [VALUE]          mesh option flags (written from version 8 on)
// The writer checks the syntax only, so that tests can also make inconsistent models.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace puppet_writer {

struct Pivots {
    std::string param;
    std::vector<float> values;
};

struct Deformer {
    bool grid = false;
    std::string id, parent;
    int nx = 0, ny = 0;
    std::vector<Pivots> pivots;
    std::vector<std::vector<float>> keys;     // affine: 5 floats each
    std::vector<std::vector<float>> corners;  // grid points per corner
};

struct Mesh {
    std::string id, parent;
    int texture = 0;
    std::vector<Pivots> pivots;
    std::vector<int> orders;
    std::vector<float> opacities;
    std::vector<float> uv;
    std::vector<int> indices;
    std::vector<std::vector<float>> corners;
    uint32_t optionFlags = 0;
    int32_t optionValue = 0;
};

struct Part {
    std::string id;
    bool visible = true;
    bool flagA = false;
    std::vector<Deformer> deformers;
    std::vector<Mesh> meshes;
};

struct Param {
    std::string id;
    float min = 0, max = 0, def = 0;
};

struct ModelDescription {
    int version = 9;
    bool header = true;
    int canvasWidth = 400, canvasHeight = 400;
    std::vector<Param> params;
    std::vector<Part> parts;
};

// False with a message naming the line when the text is not a description.
bool ParseDescription(const std::string& text, ModelDescription& out, std::string& error);
std::vector<uint8_t> WriteModel(const ModelDescription& model);

// The stream encodings, for tests that write objects by hand.
class BWriter {
public:
    void byte(uint8_t b) { bytes.push_back(b); }
    void int32(int32_t v);
    void float32(float v);
    void num(uint32_t v);  // 7 bits a byte, most significant first
    void string(const std::string& s);
    void floatArray(const std::vector<float>& v);  // count and values, no tag
    void intArray(const std::vector<int>& v);
    std::vector<uint8_t> bytes;
};

}  // namespace puppet_writer
