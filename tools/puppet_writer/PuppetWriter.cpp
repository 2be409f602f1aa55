// Puppet model writer: parses the description and writes the tagged object stream, naming every
// identifier once and referring back to it afterwards.
#include "tools/puppet_writer/PuppetWriter.h"

#include <cstring>
#include <functional>
#include <map>
#include <sstream>

namespace puppet_writer {

void BWriter::int32(int32_t v) {
    for (int s = 24; s >= 0; s -= 8) byte(static_cast<uint8_t>(static_cast<uint32_t>(v) >> s));
}

void BWriter::float32(float v) {
    int32_t bits;
    std::memcpy(&bits, &v, 4);
    int32(bits);
}

void BWriter::num(uint32_t v) {
    int groups = v < (1u << 7) ? 1 : v < (1u << 14) ? 2 : v < (1u << 21) ? 3 : 4;
    for (int g = groups - 1; g >= 0; --g) byte(static_cast<uint8_t>((v >> (7 * g) & 0x7F) | (g ? 0x80 : 0)));
}

void BWriter::string(const std::string& s) {
    num(static_cast<uint32_t>(s.size()));
    bytes.insert(bytes.end(), s.begin(), s.end());
}

void BWriter::floatArray(const std::vector<float>& v) {
    num(static_cast<uint32_t>(v.size()));
    for (float f : v) float32(f);
}

void BWriter::intArray(const std::vector<int>& v) {
    num(static_cast<uint32_t>(v.size()));
    for (int i : v) int32(i);
}

namespace {
// Class numbers and tags of the stream.
enum : uint32_t {
    TAG_NULL = 0, TAG_ARRAY = 15, TAG_INTS = 16, TAG_FLOATS = 27, TAG_REF = 33,
    TAG_DRAW_ID = 50, TAG_BASE_ID = 51, TAG_PARAM_ID = 60, TAG_PARTS_ID = 134,
    CLASS_GRID = 65, CLASS_PIVOTS = 66, CLASS_PARAM_PIVOTS = 67, CLASS_AFFINE = 68, CLASS_AFFINE_ENT = 69,
    CLASS_TEXTURE = 70, CLASS_PARAM_DEF = 131, CLASS_PARTS = 133, CLASS_MODEL = 136, CLASS_PARAM_DEF_SET = 137,
};

class ModelWriter {
public:
    explicit ModelWriter(int version) : version_(version) {}

    std::vector<uint8_t> write(const ModelDescription& m) {
        if (m.header) {
            for (char c : std::string("pup")) w.byte(static_cast<uint8_t>(c));
            w.byte(static_cast<uint8_t>(m.version));
        }
        w.num(CLASS_MODEL);  // the root is read without a tag entry of its own
        object(CLASS_PARAM_DEF_SET, [&] {
            list(m.params.size(), [&](size_t i) {
                const Param& p = m.params[i];
                object(CLASS_PARAM_DEF, [&] {
                    w.float32(p.min);
                    w.float32(p.max);
                    w.float32(p.def);
                    id(TAG_PARAM_ID, p.id);
                });
            });
        });
        list(m.parts.size(), [&](size_t i) { part(m.parts[i]); });
        w.int32(m.canvasWidth);
        w.int32(m.canvasHeight);
        if (m.header && m.version >= 8) w.int32(static_cast<int32_t>(0x88888888u));
        return w.bytes;
    }

private:
    void done() { ++refs_; }
    void object(uint32_t classNo, const std::function<void()>& fields) {
        w.num(classNo);
        fields();
        done();
    }
    void list(size_t n, const std::function<void(size_t)>& item) {
        w.num(TAG_ARRAY);
        w.num(static_cast<uint32_t>(n));
        for (size_t i = 0; i < n; ++i) item(i);
        done();
    }
    void floats(const std::vector<float>& v) {
        w.num(TAG_FLOATS);
        w.floatArray(v);
        done();
    }
    void ints(const std::vector<int>& v) {
        w.num(TAG_INTS);
        w.intArray(v);
        done();
    }
    // An identifier the first time, a back-reference afterwards.
    void id(uint32_t tag, const std::string& name) {
        std::string key = std::to_string(tag) + ":" + name;
        auto it = ids_.find(key);
        if (it != ids_.end()) {
            w.num(TAG_REF);
            w.int32(it->second);
            return;
        }
        w.num(tag);
        w.string(name);
        ids_[key] = refs_++;
    }
    void pivots(const std::vector<Pivots>& all) {
        object(CLASS_PIVOTS, [&] {
            list(all.size(), [&](size_t i) {
                object(CLASS_PARAM_PIVOTS, [&] {
                    id(TAG_PARAM_ID, all[i].param);
                    w.int32(static_cast<int32_t>(all[i].values.size()));
                    floats(all[i].values);
                });
            });
        });
    }
    void deformer(const Deformer& d) {
        object(d.grid ? CLASS_GRID : CLASS_AFFINE, [&] {
            id(TAG_BASE_ID, d.id);
            id(TAG_BASE_ID, d.parent);
            if (d.grid) {
                w.int32(d.ny);
                w.int32(d.nx);
                pivots(d.pivots);
                list(d.corners.size(), [&](size_t i) { floats(d.corners[i]); });
            } else {
                pivots(d.pivots);
                list(d.keys.size(), [&](size_t i) {
                    object(CLASS_AFFINE_ENT, [&] {
                        for (float f : d.keys[i]) w.float32(f);
                    });
                });
            }
        });
    }
    void mesh(const Mesh& m) {
        object(CLASS_TEXTURE, [&] {
            id(TAG_DRAW_ID, m.id);
            id(TAG_BASE_ID, m.parent);
            pivots(m.pivots);
            long sum = 0;
            for (int o : m.orders) sum += o;
            w.int32(m.orders.empty() ? 500 : static_cast<int32_t>(sum / static_cast<long>(m.orders.size())));
            w.intArray(m.orders);
            w.floatArray(m.opacities);
            w.int32(m.texture);
            w.int32(static_cast<int32_t>(m.uv.size() / 2));
            w.int32(static_cast<int32_t>(m.indices.size() / 3));
            ints(m.indices);
            list(m.corners.size(), [&](size_t i) { floats(m.corners[i]); });
            floats(m.uv);
            if (version_ >= 8) {
                w.int32(static_cast<int32_t>(m.optionFlags));
                if (m.optionFlags & 1) w.int32(m.optionValue);
            }
        });
    }
    void part(const Part& p) {
        object(CLASS_PARTS, [&] {
            w.byte(static_cast<uint8_t>((p.flagA ? 0x80 : 0) | (p.visible ? 0x40 : 0)));
            id(TAG_PARTS_ID, p.id);
            list(p.deformers.size(), [&](size_t i) { deformer(p.deformers[i]); });
            list(p.meshes.size(), [&](size_t i) { mesh(p.meshes[i]); });
        });
    }

    BWriter w;
    int version_;
    int refs_ = 0;
    std::map<std::string, int> ids_;
};

template <class T>
bool readAll(std::istringstream& in, std::vector<T>& out) {
    std::string token;
    while (in >> token) {
        std::istringstream t(token);
        T v;
        if (!(t >> v) || !t.eof()) return false;
        out.push_back(v);
    }
    return true;
}
}  // namespace

std::vector<uint8_t> WriteModel(const ModelDescription& model) {
    return ModelWriter(model.header ? model.version : 0).write(model);
}

bool ParseDescription(const std::string& text, ModelDescription& out, std::string& error) {
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    Deformer* deformer = nullptr;
    Mesh* mesh = nullptr;
    auto fail = [&](const std::string& why) {
        error = "line " + std::to_string(number) + ": " + why;
        return false;
    };
    while (std::getline(lines, line)) {
        ++number;
        if (size_t hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        std::istringstream in(line);
        std::string word;
        if (!(in >> word)) continue;
        Part* part = out.parts.empty() ? nullptr : &out.parts.back();
        std::vector<Pivots>* pivots = mesh ? &mesh->pivots : deformer ? &deformer->pivots : nullptr;
        if (word == "version") {
            std::string v;
            in >> v;
            if (v == "none") {
                out.header = false;
            } else {
                std::istringstream t(v);
                if (!(t >> out.version)) return fail("version N or version none");
            }
        } else if (word == "canvas") {
            if (!(in >> out.canvasWidth >> out.canvasHeight)) return fail("canvas W H");
        } else if (word == "param") {
            Param p;
            if (!(in >> p.id >> p.min >> p.max >> p.def)) return fail("param NAME MIN MAX DEFAULT");
            out.params.push_back(p);
        } else if (word == "part") {
            Part p;
            if (!(in >> p.id)) return fail("part NAME [hidden] [flagA]");
            for (std::string flag; in >> flag;) {
                if (flag == "hidden") p.visible = false;
                else if (flag == "flagA") p.flagA = true;
                else return fail("unknown part flag " + flag);
            }
            out.parts.push_back(p);
            deformer = nullptr;
            mesh = nullptr;
        } else if (word == "affine" || word == "grid") {
            if (!part) return fail(word + " outside a part");
            Deformer d;
            d.grid = word == "grid";
            if (!(in >> d.id >> d.parent)) return fail(word + " NAME PARENT");
            if (d.grid && !(in >> d.nx >> d.ny)) return fail("grid NAME PARENT NX NY");
            part->deformers.push_back(d);
            deformer = &part->deformers.back();
            mesh = nullptr;
        } else if (word == "mesh") {
            if (!part) return fail("mesh outside a part");
            Mesh m;
            if (!(in >> m.id >> m.parent >> m.texture)) return fail("mesh NAME PARENT TEXTURE");
            part->meshes.push_back(m);
            mesh = &part->meshes.back();
            deformer = nullptr;
        } else if (word == "pivots") {
            Pivots p;
            if (!pivots || !(in >> p.param) || !readAll(in, p.values)) return fail("pivots PARAM V… after a deformer or mesh");
            pivots->push_back(p);
        } else if (word == "key") {
            std::vector<float> key;
            if (!deformer || deformer->grid || !readAll(in, key) || key.size() != 5) return fail("key OX OY SX SY ROT after affine");
            deformer->keys.push_back(key);
        } else if (word == "corner") {
            std::vector<float> points;
            if ((!deformer && !mesh) || !readAll(in, points)) return fail("corner X Y … after a grid or mesh");
            (mesh ? mesh->corners : deformer->corners).push_back(points);
        } else if (word == "order" || word == "triangles") {
            if (!mesh || !readAll(in, word == "order" ? mesh->orders : mesh->indices)) return fail(word + " I … after a mesh");
        } else if (word == "opacity" || word == "uv") {
            if (!mesh || !readAll(in, word == "uv" ? mesh->uv : mesh->opacities)) return fail(word + " V … after a mesh");
        } else if (word == "option") {
            if (!mesh || !(in >> mesh->optionFlags)) return fail("option FLAGS [VALUE] after a mesh");
            in >> mesh->optionValue;
        } else {
            return fail("unknown word " + word);
        }
    }
    return true;
}

}  // namespace puppet_writer
