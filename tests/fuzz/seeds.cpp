// Writes the fuzz targets' seed inputs with the project's own writers: `fuzz_seeds <folder>` makes one
// sub-folder per target. Built and run by the build; the replay tests and the fuzzers read them beside
// the small committed corpora.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "engine/files/LZSS.h"
#include "support/AudioFixtures.h"
#include "engine/resources/Mesh.h"
#include "engine/resources/PartsRenderInfo.h"
#include "fuzz/device_support.h"
#include "fuzz/game_support.h"
#include "novel/state/SaveDataManager.h"
#include "engine/save/SaveData.h"
#include "novel/novel/MessageLog.h"
#include "novel/state/ConfigDataManager.h"
#include "novel/state/GameVariables.h"
#include "novel/state/SaveFile.h"
#include "settings_tool/AppSetting.h"
#include "tools/arcpack/ArcWriter.h"
#include "tools/puppet_writer/PuppetWriter.h"
#include "tools/vnasm/Assembler.h"

namespace fs = std::filesystem;

namespace {
fs::path g_out;

void Write(const std::string& target, const std::string& name, const std::string& bytes) {
    fs::create_directories(g_out / target);
    std::ofstream out(g_out / target / name, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) throw std::runtime_error("cannot write seed " + target + "/" + name);
}

std::string ReadNative(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<unsigned char> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

const std::string kText =
    "The quick brown fox jumps over the lazy dog. The quick brown fox jumps over the lazy dog again.\n";

void ArchiveSeeds() {
    // The key the archive target mounts with.
    const std::string key = "fuzzKey1";
    std::vector<arcpack::Entry> entries = {{"a.txt", Bytes(kText)},
                                           {"scenario\\b.bin", Bytes(std::string(300, '\x07') + kText)},
                                           {"c", Bytes("x")}};
    auto plain = arcpack::BuildArchive(entries, key, false);
    auto packed = arcpack::BuildArchive(entries, key, true);
    Write("archive", "plain.arc", std::string(plain.begin(), plain.end()));
    Write("archive", "lzss.arc", std::string(packed.begin(), packed.end()));
}

void LzssSeeds() {
    // The target reads a u32 unpacked size, then the code (an archive's compressed entry).
    CLZSS lzss;
    const std::string text = kText + kText + std::string(100, 'z');
    std::vector<unsigned char> code;
    lzss.Encode(reinterpret_cast<const unsigned char*>(text.data()), static_cast<std::uint32_t>(text.size()), code);
    const std::uint32_t n = static_cast<std::uint32_t>(text.size());
    std::string seed(reinterpret_cast<const char*>(&n), 4);
    seed.append(code.begin(), code.end());
    Write("lzss", "text.lz", seed);
}

std::string SavedBytes(SaveDataLoader4::SaveData& data) {
    std::ostringstream out;
    data.Save(out);
    return out.str();
}

std::string Record(ISavedObject<_tagSaveData>& object) {
    USLib::binary_ostream<256> out;
    object.Save(out);
    return std::string(reinterpret_cast<const char*>(out.GetData()), out.GetSize());
}

std::string Record(ISavedObject<_tagConfigData>& object) {
    USLib::binary_ostream<256> out;
    object.Save(out);
    return std::string(reinterpret_cast<const char*>(out.GetData()), out.GetSize());
}

void SaveAndConfigSeeds() {
    CConfigDataManager* config = CConfigDataManager::GetInstance();
    for (int32_t i = 0; i < USER_CFG_INDEX + 4; ++i) config->InitConfigValue(i, i * 3);
    config->GetReadedFlags().SetMessageReaded("scenario\\s01.bin", 3);
    config->GetReadedFlags().SetMessageReaded("scenario\\s02.bin", 130);
    config->GetCGShownFlags().SetShown("cg01.png");
    CGameFlagsManager::GetInstance()->AllocGameFlags(70);
    CGameFlagsManager::GetInstance()->SetFlag(65, true);
    CGameParameterManager::GetInstance()->AllocGameParam(9);
    CGameParameterManager::GetInstance()->SetParam(4, -7);
    CMessageLogManager::GetInstance()->Add("\x83\x41", "voice", "text of a line", "v001.ogg");
    CMessageLogManager::GetInstance()->Add("", "", "another line", "");

    // Saved-object records: the selector byte, then the record.
    Write("saved_objects", "flags", '\0' + Record(*CGameFlagsManager::GetInstance()));
    Write("saved_objects", "params", '\1' + Record(*CGameParameterManager::GetInstance()));
    Write("saved_objects", "log", '\2' + Record(*CMessageLogManager::GetInstance()));
    Write("saved_objects", "config", '\3' + Record(*config));
    Write("saved_objects", "read", '\4' + Record(config->GetReadedFlags()));
    Write("saved_objects", "cg", '\5' + Record(config->GetCGShownFlags()));

    // The configuration file as the game writes it (complemented on disk).
    const fs::path previous = fs::current_path();
    const fs::path work = g_out / "work";
    fs::create_directories(work);
    fs::current_path(work);
    CConfigDataManager::LoadConfigFile();
    CConfigDataManager::SaveConfigFile();
    Write("cfg_file", "cfg.cfg", ReadNative(work / CConfigDataManager::kFileName));

    // Containers: the configuration objects' records and the game variables' records.
    SaveDataLoader4::SaveData data;
    ISavedObject<_tagConfigData>::SaveAll(data);
    Write("save_container", "config.bin", SavedBytes(data));
    SaveDataLoader4::SaveData game;
    ISavedObject<_tagSaveData>::SaveAll(game);
    Write("save_container", "game.bin", SavedBytes(game));

    // config.xml as Fenwick writes it.
    AppSetting setting;
    setting.SetFullScreenSize(1024, 768);
    setting.SetPlayMovie(false);
    setting.Save();
    Write("config_xml", "config.xml", ReadNative(work / "config.xml"));

    // A parts file with three parts.
    CPartsRenderInfo3 parts;
    for (int i = 0; i < 3; ++i) {
        CPartsInfo3* part = parts.AddPart();
        part->g0 = -10.0f * i;
        part->g1 = 4.5f;
        part->g2 = 32.0f;
        part->g3 = 16.0f;
        part->t0 = 8.0f * i;
        part->t1 = 0.0f;
        part->t2 = 8.0f * i + 32.0f;
        part->t3 = 16.0f;
    }
    parts.Save("parts.prt");
    Write("parts", "three.prt", ReadNative(work / "parts.prt"));

    fs::current_path(previous);
    fs::remove_all(work);
}
void WavSeeds() {
    using namespace audio_fixtures;
    std::string pcm;
    for (int i = 0; i < 400; ++i) pcm += static_cast<char>(i * 7);
    Write("wav", "mono8.wav", PcmWave(1, 8, 11025, pcm));
    Write("wav", "stereo16.wav",
          Wave(Chunk("fmt ", PcmFormat(2, 16, 22050)) + Chunk("LIST", "INFOodd") + Chunk("data", pcm)));
}
// A text .x file with a frame, a material and a mesh with normals and texture coordinates.
const char kQuadX[] = R"(xof 0303txt 0032
Material Paper {
 1.0; 0.5; 0.25; 1.0;;
 8.0;
 0.0; 0.0; 0.0;;
 0.0; 0.0; 0.0;;
 TextureFilename { "paper.png"; }
}
Frame Root {
 FrameTransformMatrix {
  1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 10.0, 20.0, 0.0, 1.0;;
 }
 Mesh Quad {
  4;
  0.0; 0.0; 0.0;, 1.0; 0.0; 0.0;, 0.0; 1.0; 0.0;, 1.0; 1.0; 0.0;;
  1;
  4; 0, 1, 3, 2;;
  MeshNormals { 1; 0.0; 0.0; -2.0;; 1; 4; 0, 0, 0, 0;; }
  MeshTextureCoords { 4; 0.0; 0.0;, 1.0; 0.0;, 0.0; 1.0;, 1.0; 1.0;; }
  MeshMaterialList { 1; 1; 0;; { Paper } }
 }
}
)";

void MeshSeeds() {
    // The target's first byte picks the reader: 0 the engine's mesh files, 1 .x text.
    Write("mesh", "quad.x", std::string("\x01") + kQuadX);
    if (!fuzz::OpenEngineDevice()) throw std::runtime_error("no device for the mesh seeds");
    CUSMesh mesh;
    if (mesh.CreateFVF(2, 4, D3DXMESH_MANAGED, D3DFVF_XYZ | D3DFVF_TEX1) < 0) throw std::runtime_error("mesh");
    const float vertices[] = {0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 1, 1, 0, 1, 1};
    const WORD indices[] = {0, 1, 2, 2, 1, 3};
    void* p = nullptr;
    mesh.GetD3DXMesh()->LockVertexBuffer(0, &p);
    std::memcpy(p, vertices, sizeof vertices);
    mesh.GetD3DXMesh()->UnlockVertexBuffer();
    mesh.GetD3DXMesh()->LockIndexBuffer(0, &p);
    std::memcpy(p, indices, sizeof indices);
    mesh.GetD3DXMesh()->UnlockIndexBuffer();
    if (mesh.SaveFile("quad.mesh") < 0) throw std::runtime_error("mesh");
    Write("mesh", "quad.mesh", '\0' + ReadNative("quad.mesh"));
    fs::remove("quad.mesh");
}

void GameSeeds() {
    // Saves of the running demo game, early as the game writes them and a little later in the format
    // before saves were sealed: a damaged record of a sealed save is refused before the saved
    // objects' readers see it, one of the older format reaches them.
    CMainApp* game = fuzz::StartGame();
    if (!game) throw std::runtime_error("the demo game did not start");
    if (!CSaveDataManager::SaveToFile("early.sav")) throw std::runtime_error("the demo game did not save");
    Write("save_load", "early.sav", ReadNative("early.sav"));
    fuzz::RunFrames(*game, 600);
    SaveDataLoader4::SaveData later;
    later.SetVersion(kSaveFormatSealed - 1);
    ISavedObject<_tagSaveData>::SaveAll(later);
    SaveFile::Write("later.sav", later);
    Write("save_load", "later.sav", ReadNative("later.sav"));
}

void MovieSeeds() {
    // The target's first byte picks the path: 0 decoding alone, 1 the engine's player.
    const fs::path movies = fs::path(MARLOWE_SOURCE_DIR) / "tests/data/movies";
    for (const char* name : {"clip.avi", "clip.mpg", "clip.wmv", "clip_sound.mpg", "clip_sound.wmv", "truncated.avi"})
        Write("movie", name, '\0' + ReadNative(movies / name));
    Write("movie", "played.avi", '\1' + ReadNative(movies / "clip_sound.avi"));
}

void ScenarioSeeds() {
    const fs::path demo = fs::path(MARLOWE_SOURCE_DIR) / "demo/scenario";
    const struct {
        const char* source;
        VCOpcodes::Machine machine;
    } files[] = {{"title.vns", VCOpcodes::kNovel},
                 {"ch1.vns", VCOpcodes::kNovel},
                 {"ch2.vns", VCOpcodes::kNovel},
                 {"Scene.vns", VCOpcodes::kScene}};
    // Included files are found beside the source, as the assembler program finds them.
    auto include = [&](const std::string& name) -> std::optional<std::string> { return ReadNative(demo / name); };
    for (const auto& file : files) {
        vnasm::Output out = vnasm::Assemble(ReadNative(demo / file.source), file.machine, include);
        if (!out.Ok()) throw std::runtime_error(std::string("demo scenario: ") + out.errors.front());
        Write("scenario", std::string(file.source) + ".bin", std::string(out.code.begin(), out.code.end()));
    }
}

void PuppetSeeds() {
    puppet_writer::ModelDescription description;
    std::string error;
    if (!puppet_writer::ParseDescription(ReadNative(fs::path(MARLOWE_SOURCE_DIR) / "demo/puppet/hero.txt"),
                                         description, error))
        throw std::runtime_error("demo model: " + error);
    const std::vector<std::uint8_t> bytes = puppet_writer::WriteModel(description);
    Write("puppet_model", "hero.pup", std::string(bytes.begin(), bytes.end()));
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds <folder>\n");
        return 2;
    }
    g_out = fs::absolute(argv[1]);
    fs::remove_all(g_out);
    try {
        ArchiveSeeds();
        LzssSeeds();
        SaveAndConfigSeeds();
        WavSeeds();
        GameSeeds();
        PuppetSeeds();
        MovieSeeds();
        ScenarioSeeds();
        MeshSeeds();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "fuzz_seeds: %s\n", e.what());
        return 1;
    }
    return 0;
}
