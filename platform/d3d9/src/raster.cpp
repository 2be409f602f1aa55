// The software rasteriser: how its pieces fit, and the scheduling of a run's rows over the threads.
//
// A run is a list of items (draws and per-row tasks). Run sets up each draw once: the triangles and
// their plane equations (triangle.cpp), the attributes the draw reads, its fast-path plan
// (fastpath.cpp), the row combiner's way of writing it (combine.cpp), its pixel program made ready
// (shader.cpp) and what that program samples from each triangle (spanshader.cpp). The rows are then
// cut into bands of 16 that the threads take in turn; within a band every item runs in order, and each
// triangle's row becomes a span, shaded by a fast path where the plan allows it and by the general span
// shader (spanshader.cpp) otherwise. Both sample textures through the sampler (sampler.cpp) and write
// depth through depth.h.
//
// The rule that holds it together: every shortcut (fast paths, column tables, AVX2 lanes, byte tables
// of a pixel program) gives exactly the general path's pixels, and every pixel is computed from the
// triangle's plane equations alone, so a frame is the same to the last byte whatever path, lane width
// or thread count made it. The tests compare the paths pixel by pixel.
#include "raster.h"

#include <emmintrin.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>
#include <unordered_map>

#include "combine.h"
#include "fastpath.h"
#include "spanshader.h"
#include "triangle.h"

namespace d3d9 {
namespace {

// Rasteriser threads of new devices: the processor's cores, at most four (0 until first asked).
std::atomic<unsigned> g_threads{0};

constexpr int kBandRows = 16;  // rows per band handed to one thread

}  // namespace

// AVX2 lanes where the processor has them, unless the test hook asks for the scalar arithmetic.
const bool g_hasAvx2 = __builtin_cpu_supports("avx2");
std::atomic<bool> g_lanes{true};

struct Raster::Job {
    const PixelState* state = nullptr;
    Usage usage;
    FastPlan fast;
    std::optional<Combine> writer;        // how the row combiner writes the draw, where it can
    std::optional<PixelProgram> program;  // the draw's pixel shader with its constants
    std::vector<Triangle> triangles;
    std::vector<TriangleSamples> samples;               // one per triangle, what the program samples from it
    std::vector<FastTriangle> fastTriangles;            // one per triangle, where the fast path shades it
    int ymin = 0, ymax = -1;                            // rows any triangle touches
    const std::function<void(int)>* rowTask = nullptr;  // a plain per-row task instead of triangles
};

struct Raster::Batch {
    std::vector<const Job*> jobs;
    int ymin = 0, ymax = -1;
    int64_t area = 0;
    mutable std::atomic<int> nextBand{0};  // bands of kBandRows rows, taken by the threads in turn
};

namespace {

// What a column table is made from: a u plane (whose dy is 0, so that u depends on x alone; the
// plane's numbers are compared as bits), the sampling and the texture's width. The columns are not
// part of it: a table holds those of every triangle that asked for it, so that one picture drawn in
// several rectangles, or in rectangles that change from frame to frame, is worked out once. Tables
// are shared only by triangles of one texture, as rows of texels are kept by table.
struct TableKey {
    uint64_t base, dx, dy;
    int32_t width;
    FastKind kind;
    uint64_t mode;
    const Surface* texture;
    bool operator==(const TableKey&) const = default;
};
static_assert(std::has_unique_object_representations_v<TableKey>, "keys are hashed as bytes");

struct TableKeyHash {
    size_t operator()(const TableKey& k) const {
        uint64_t h = 14695981039346656037ull;
        const auto* bytes = reinterpret_cast<const unsigned char*>(&k);
        for (size_t i = 0; i < sizeof k; ++i) h = (h ^ bytes[i]) * 1099511628211ull;
        return size_t(h);
    }
};

}  // namespace

struct Raster::Kept {
    // Column tables live until kKeptRuns runs have passed without using them.
    static constexpr uint64_t kKeptRuns = 8;
    struct Table {
        std::unique_ptr<ColumnTable> table;
        uint64_t used = 0;  // the last run that used it
    };
    std::vector<std::unique_ptr<Job>> jobs;
    Batch batch;
    std::unordered_map<TableKey, Table, TableKeyHash> tables;
    uint64_t runs = 0;

    // The column table for triangle t drawn with state st by plan f in this run: the one a recent
    // run made from the same things, or a new one.
    ColumnTable* TableFor(const PixelState& st, const FastPlan& f, const Triangle& t) {
        const Plane& pu = t.attr[kAttrTex + 4 * f.set];
        const TableKey key{std::bit_cast<uint64_t>(pu.base),
                           std::bit_cast<uint64_t>(pu.dx),
                           std::bit_cast<uint64_t>(pu.dy),
                           int32_t(f.tex->Desc().Width),
                           f.kind,
                           st.samp[0][D3DSAMP_ADDRESSU],
                           f.tex};
        Table& kept = tables[key];
        if (!kept.table) {
            kept.table = std::make_unique<ColumnTable>();
            kept.table->xmin = t.xmin;
            kept.table->xmax = t.xmax;
        } else if (t.xmin < kept.table->xmin || t.xmax > kept.table->xmax) {
            // Columns it does not hold yet: made again over both (no row of this run has read it yet).
            kept.table->xmin = std::min(kept.table->xmin, t.xmin);
            kept.table->xmax = std::max(kept.table->xmax, t.xmax);
            kept.table->state.store(ColumnTable::kNone, std::memory_order_relaxed);
        } else if (kept.used != runs) {
            Renumber(*kept.table);
        }
        kept.used = runs;
        return kept.table.get();
    }

    void ForgetOldTables() {
        for (auto i = tables.begin(); i != tables.end();)
            i = runs - i->second.used >= kKeptRuns ? tables.erase(i) : std::next(i);
    }
};

unsigned RasterThreads() {
    unsigned n = g_threads.load();
    return n ? n : std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
}

Raster::Raster(unsigned threads) : threads_(std::max(1u, threads)), kept_(std::make_unique<Kept>()) {
    for (unsigned i = 1; i < threads_; ++i) pool_.emplace_back(&Raster::Worker, this);
}

Raster::~Raster() {
    quit_ = true;
    { std::lock_guard<std::mutex> lock(lock_); }
    wake_.notify_all();
    for (std::thread& t : pool_) t.join();
}

namespace {

// Waits a short while (spins rounds of a pause) for a condition without sleeping.
template <class Condition>
bool SpinFor(int spins, Condition condition) {
    for (int i = 0; i < spins; ++i) {
        if (condition()) return true;
        _mm_pause();
    }
    return condition();
}
}  // namespace

void Raster::Worker() {
    unsigned seen = 0;
    for (;;) {
        auto ready = [&] { return quit_.load() || generation_.load(std::memory_order_acquire) != seen; };
        // Idle workers spin only briefly: the runs of one frame follow each other within microseconds,
        // and longer spinning between frames would cost more processor time than the drawing.
        if (!SpinFor(200, ready)) {
            std::unique_lock<std::mutex> lock(lock_);
            wake_.wait(lock, ready);
        }
        if (quit_) return;
        seen = generation_.load(std::memory_order_acquire);
        RunBands(*batch_);
        if (pending_.fetch_sub(1) == 1) {
            { std::lock_guard<std::mutex> lock(lock_); }
            done_.notify_one();
        }
    }
}

void Raster::RunBands(const Batch& batch) {
    // Threads take bands of rows in turn, so a thread held up elsewhere leaves its share to the
    // others. Within a band the jobs and their triangles keep their order, so each pixel sees the same
    // draws in the same order whoever shades it.
    const int first = batch.ymin / kBandRows;
    for (;;) {
        const int band = first + batch.nextBand.fetch_add(1);
        const int top = band * kBandRows, bottom = top + kBandRows - 1;
        if (top > batch.ymax) return;
        for (const Job* each : batch.jobs) {
            const Job& job = *each;
            if (job.ymax < top || job.ymin > bottom) continue;
            if (job.rowTask) {
                for (int y = std::max(top, job.ymin); y <= std::min(bottom, job.ymax); ++y) (*job.rowTask)(y);
                continue;
            }
            for (size_t i = 0; i < job.triangles.size(); ++i) {
                const Triangle& t = job.triangles[i];
                if (t.ymax < top || t.ymin > bottom) continue;
                for (int y = std::max(top, t.ymin); y <= std::min(bottom, t.ymax); ++y) {
                    int x0, x1;
                    if (!Span(t, y, x0, x1)) continue;
                    if (job.fast.kind != FastKind::kNone && FastSpan(*job.state, job.fast, t, job.fastTriangles[i], y, x0, x1))
                        continue;
                    ShadeSpan(*job.state, job.usage, job.writer ? &*job.writer : nullptr,
                              job.program ? &*job.program : nullptr, job.program ? &job.samples[i] : nullptr, t, y,
                              x0, x1);
                }
            }
        }
    }
}

void Raster::Run(const std::vector<RasterItem>& items) {
    Kept& kept = *kept_;
    ++kept.runs;
    Batch& batch = kept.batch;
    batch.jobs.clear();
    batch.ymin = 0;
    batch.ymax = -1;
    batch.area = 0;
    batch.nextBand = 0;
    size_t used = 0;  // jobs of kept.jobs taken by this run
    for (const RasterItem& item : items) {
        if (used == kept.jobs.size()) kept.jobs.push_back(std::make_unique<Job>());
        Job& job = *kept.jobs[used];
        job.triangles.clear();
        job.fastTriangles.clear();
        job.program.reset();
        job.writer.reset();
        job.state = nullptr;
        job.rowTask = nullptr;
        job.ymin = 0;
        job.ymax = -1;
        if (item.rows) {
            if (item.top > item.bottom) continue;
            job.rowTask = item.rows;
            job.ymin = item.top;
            job.ymax = item.bottom;
            batch.area += int64_t(item.bottom - item.top + 1) * item.width;
        } else {
            const PixelState& state = *item.state;
            job.state = &state;
            job.usage = UsageOf(state);
            job.fast = PlanFast(state);
            if (Combine writer; ClassifyWrite(state, writer)) job.writer = writer;
            for (size_t i = 0; i + 2 < item.vertices->size(); i += 3) {
                Triangle& t = job.triangles.emplace_back();
                if (!Setup(&(*item.vertices)[i], item.clip, job.usage, t)) {
                    job.triangles.pop_back();
                    continue;
                }
                // The two halves of a quad are shaded as one rectangle, a row in one span.
                const size_t n = job.triangles.size();
                if (n >= 2 && JoinRectangle(job.triangles[n - 2], t, job.usage, item.clip)) job.triangles.pop_back();
            }
            for (const Triangle& t : job.triangles) {
                // A triangle covers about half its box.
                batch.area += int64_t(t.xmax - t.xmin + 1) * (t.ymax - t.ymin + 1) / (t.rect ? 1 : 2);
                job.ymin = &t == &job.triangles.front() ? t.ymin : std::min(job.ymin, t.ymin);
                job.ymax = &t == &job.triangles.front() ? t.ymax : std::max(job.ymax, t.ymax);
                if (job.fast.kind == FastKind::kNone) continue;
                FastTriangle& fast = job.fastTriangles.emplace_back();
                if (TakesColumns(job.fast, t)) fast.table = kept.TableFor(state, job.fast, t);
                TriangleColour(state, job.fast, t, fast);
            }
            if (job.triangles.empty()) continue;
            if (state.pixelShader) {
                job.program.emplace(*state.pixelShader, state.psConst, VectorLanes());
                // Kept from earlier runs, so that their buffers are used again.
                if (job.samples.size() < job.triangles.size()) job.samples.resize(job.triangles.size());
                for (size_t i = 0; i < job.triangles.size(); ++i) job.samples[i].Prepare(state, *job.program, job.triangles[i]);
            }
        }
        batch.ymin = batch.jobs.empty() ? job.ymin : std::min(batch.ymin, job.ymin);
        batch.ymax = batch.jobs.empty() ? job.ymax : std::max(batch.ymax, job.ymax);
        batch.jobs.push_back(&job);
        ++used;
    }
    kept.ForgetOldTables();
    if (batch.jobs.empty()) return;
    // Small runs stay on the calling thread: waking the pool would cost more processor time than it
    // saves. A character drawn again where it moves (the background under it, the character, the
    // copy to the back buffer: some 150K pixels a run) is small; a whole 800 x 600 layer is not.
    if (threads_ == 1 || batch.area < 262144) {
        RunBands(batch);
        return;
    }
    Dispatch(batch);
}

void Raster::Dispatch(const Batch& batch) {
    batch_ = &batch;
    pending_.store(threads_ - 1);
    generation_.fetch_add(1, std::memory_order_release);
    { std::lock_guard<std::mutex> lock(lock_); }
    wake_.notify_all();
    RunBands(batch);
    auto finished = [&] { return pending_.load() == 0; };
    if (!SpinFor(2000, finished)) {
        std::unique_lock<std::mutex> lock(lock_);
        done_.wait(lock, finished);
    }
}

}  // namespace d3d9

namespace d3d9test {
void SetWorkerThreads(unsigned count) { d3d9::g_threads.store(count); }
void SetVectorLanes(bool use) { d3d9::g_lanes.store(use); }
}  // namespace d3d9test
