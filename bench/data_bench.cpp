// Costs of the data layer's hot paths: finding a member at the end of a large pack directory
// (packs are reopened and scanned for every member read), and parsing a motion script.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "data/pack_file.h"
#include "data/pack_writer.h"
#include "data/script_text.h"
#include "tests/support/scratch_dir.h"

namespace {

using namespace brine;

void BM_LoadLastOf256Members(benchmark::State& state) {
    test::ScratchDir dir;
    std::vector<PackMember> members;
    for (int i = 0; i < 256; ++i) members.push_back({"member" + std::to_string(i), std::vector<unsigned char>(1024, 7)});
    std::string pack = dir.file("big.pak");
    write_pack_file(pack, members, nullptr);
    for (auto _ : state) {
        MemoryBlock block;
        benchmark::DoNotOptimize(load_into_memory(pack.c_str(), "member255", &block));
    }
}
BENCHMARK(BM_LoadLastOf256Members);

class BenchScript : public ScriptText {
public:
    explicit BenchScript(const std::string& text) { set_text_copy(text.data(), static_cast<std::uint32_t>(text.size())); }
};

void BM_ParseMotionScript(benchmark::State& state) {
    const std::string text =
        "// goldfish\r\nFPS(30)\r\nMotionNum(4)\r\nScale(1.5)\r\nWait(2000)\r\nSlowSpeed(0.3)\r\n"
        "SlowRotateH(1.5)\r\nSlowRotateV(0.5)\r\nFastSpeed(1.2)\r\nFastRotateH(4.0)\r\nFastRotateV(2.0)\r\n"
        "Gravity(0.2)\r\nTrackRecord(0, 0, 0, 60)\r\nTrackRecord(1, 1, 0, 40)\r\nTrackRecord(2, 2, 0, 20)\r\n"
        "TrackRecord(3, 3, 0, 90)\r\nEnd()\r\n";
    static const char* const keys[] = {"FPS", "MotionNum", "Scale", "Wait", "SlowSpeed", "SlowRotateH",
                                       "SlowRotateV", "FastSpeed", "FastRotateH", "FastRotateV", "Gravity",
                                       "TrackRecord", "End"};
    for (auto _ : state) {
        BenchScript s(text);
        std::int32_t i = 0;
        float f = 0;
        bool ok = parse_statements(s, keys, [&](int key, ScriptText& in) {
            if (key == 11)
                return in.read_int(&i, ',') && in.read_int(&i, ',') && in.read_int(&i, ',') && in.read_int(&i, ')');
            if (key == 0 || key == 1 || key == 3) return in.read_int(&i, ')');
            return in.read_real(&f, ')');
        });
        benchmark::DoNotOptimize(ok);
    }
}
BENCHMARK(BM_ParseMotionScript);

}  // namespace
