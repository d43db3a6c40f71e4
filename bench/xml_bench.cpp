// Parse, lookup and write speed of the XML engine on a key-store-shaped document, next to pugixml on the
// same text in the same run (the engine with its level limit and its notes of what it meets, as always).
//
// Document: one backupdatabase with 10,000 publickey entries (serial, name, a ~700-byte packet text with
// CR LF line breaks, an e-mail and a comment); every fourth entry also holds an updates element with
// three updates (created and packet each).
#include "xml/xml.h"

#include "bench/bench_report.h"

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kEntries = 10000;
constexpr int kLookups = 1000;

std::uint32_t serial_of(int i) {
    return 0x10000000u + static_cast<std::uint32_t>(i) * 7919u;
}

std::string serial_text(std::uint32_t serial) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08X", serial);
    return buf;
}

// Remote-update-like text: header lines and 504 Base64 characters in lines of 90, CR LF line ends.
std::string packet_text(std::uint32_t seed, bool update) {
    static const char kB64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string t = "======== Corvane+ Remote Update File ========\r\n\r\nVERSION=1.6\r\n";
    t += update ? "TYPE=0000000E\r\nTARGET=1234ABCD\r\nNAME=Token name\r\n" : "TYPE=0000000C\r\n";
    t += "\r\n-- BEGIN ZRP RM DATA --\r\n";
    std::uint32_t x = seed * 2654435761u + 1;
    for (int i = 0; i < 504; ++i) {
        x = x * 1103515245u + 12345u;
        t += kB64[(x >> 16) & 63];
        if (i % 90 == 89) t += "\r\n";
    }
    t += "\r\n-- END ZRP RM DATA --\r\n";
    return t;
}

std::string make_document() {
    std::string d = "<backupdatabase>\n";
    char line[256];
    for (int i = 0; i < kEntries; ++i) {
        std::uint32_t serial = serial_of(i);
        std::snprintf(line, sizeof line, "\t<publickey serial=\"%08X\" name=\"Key %d\">\n", serial, i);
        d += line;
        d += "\t\t<packet>" + packet_text(serial, false) + "</packet>\n";
        std::snprintf(line, sizeof line, "\t\t<email>user%d@example.org</email>\n", i);
        d += line;
        std::snprintf(line, sizeof line, "\t\t<comment>Comment for key number %d</comment>\n", i);
        d += line;
        if (i % 4 == 0) {
            d += "\t\t<updates>\n";
            for (int u = 0; u < 3; ++u) {
                std::snprintf(line, sizeof line,
                              "\t\t\t<update serial=\"%08X%04X\" name=\"Upd %d\" algo=\"%d\">\n", serial + 1,
                              u, u, u + 1);
                d += line;
                d += "\t\t\t\t<created>01D9A1B2C3D4E5F6</created>\n";
                d += "\t\t\t\t<packet>" + packet_text(serial + static_cast<std::uint32_t>(u), true) +
                     "</packet>\n";
                d += "\t\t\t</update>\n";
            }
            d += "\t\t</updates>\n";
        }
        d += "\t</publickey>\n";
    }
    d += "</backupdatabase>\n";
    return d;
}

struct Fixture {
    std::string text = make_document();
    std::filesystem::path dir = std::filesystem::temp_directory_path() / "zrpc_xml_bench";
    std::string in_path;
    std::string out_path;
    std::vector<std::string> lookups;
    Fixture() {
        std::filesystem::create_directories(dir);
        in_path = (dir / "in.xml").string();
        out_path = (dir / "out.xml").string();
        std::FILE* f = std::fopen(in_path.c_str(), "wb");
        if (f != nullptr) {
            std::fwrite(text.data(), 1, text.size(), f);
            std::fclose(f);
        }
        for (int i = 0; i < kLookups; ++i)
            lookups.push_back(serial_text(serial_of((i * 7) % kEntries)));
    }
    ~Fixture() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void set_bytes(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(fixture().text.size()));
}

// ---- parse from memory (the text is copied into the document first by both) ----

void BM_Parse_Engine(benchmark::State& state) {
    const std::string& t = fixture().text;
    for (auto _ : state) {
        XmlParser doc;
        bool ok = doc.load_from_memory(t.data(), t.size());
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(doc.root());
    }
    set_bytes(state);
}

// The same text built on demand (as the key store's read connection loads it): the top levels now, the
// rest when asked for.
void BM_Parse_EngineOnDemand(benchmark::State& state) {
    const std::string& t = fixture().text;
    for (auto _ : state) {
        XmlParser doc;
        char* copy = static_cast<char*>(std::malloc(t.size() + 1));
        std::memcpy(copy, t.c_str(), t.size() + 1);
        bool ok = doc.load_from_heap_buffer(copy, t.size(), XmlBuild::on_demand);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(doc.root());
    }
    set_bytes(state);
}

void BM_Parse_Pugixml(benchmark::State& state) {
    const std::string& t = fixture().text;
    for (auto _ : state) {
        pugi::xml_document doc;
        pugi::xml_parse_result r = doc.load_buffer(t.data(), t.size());
        benchmark::DoNotOptimize(r);
    }
    set_bytes(state);
}

// ---- load from file ----

void BM_LoadFile_Engine(benchmark::State& state) {
    for (auto _ : state) {
        XmlParser doc;
        bool ok = doc.load_from_file(fixture().in_path.c_str());
        benchmark::DoNotOptimize(ok);
    }
    set_bytes(state);
}

void BM_LoadFile_Pugixml(benchmark::State& state) {
    for (auto _ : state) {
        pugi::xml_document doc;
        pugi::xml_parse_result r = doc.load_file(fixture().in_path.c_str());
        benchmark::DoNotOptimize(r);
    }
    set_bytes(state);
}

// ---- 1,000 lookups by serial ----

void BM_Lookup_Engine(benchmark::State& state) {
    XmlParser doc;
    doc.load_from_memory(fixture().text.data(), fixture().text.size());
    XmlNodeHandle root = doc.root_handle().first_element("backupdatabase");
    std::size_t found = 0;
    for (auto _ : state) {
        for (const std::string& s : fixture().lookups) {
            XmlNodeHandle k = root.first_element_by_attribute("publickey", "serial", s.c_str());
            found += k.is_null() ? 0 : 1;
        }
    }
    if (found != static_cast<std::size_t>(state.iterations()) * kLookups)
        state.SkipWithError("lookup missed");
}

void BM_Lookup_Pugixml(benchmark::State& state) {
    pugi::xml_document doc;
    doc.load_buffer(fixture().text.data(), fixture().text.size());
    pugi::xml_node root = doc.child("backupdatabase");
    std::size_t found = 0;
    for (auto _ : state) {
        for (const std::string& s : fixture().lookups) {
            pugi::xml_node k = root.find_child_by_attribute("publickey", "serial", s.c_str());
            found += k ? 1 : 0;
        }
    }
    if (found != static_cast<std::size_t>(state.iterations()) * kLookups)
        state.SkipWithError("lookup missed");
}

// ---- write the tree back to a file ----

void BM_Write_Engine(benchmark::State& state) {
    XmlParser doc;
    doc.load_from_memory(fixture().text.data(), fixture().text.size());
    for (auto _ : state) {
        bool ok = write_file(doc.root_handle(), fixture().out_path.c_str());
        if (!ok) state.SkipWithError("write failed");
    }
    set_bytes(state);
}

void BM_Write_Pugixml(benchmark::State& state) {
    pugi::xml_document doc;
    doc.load_buffer(fixture().text.data(), fixture().text.size());
    for (auto _ : state) {
        bool ok = doc.save_file(fixture().out_path.c_str(), "\t");
        if (!ok) state.SkipWithError("write failed");
    }
    set_bytes(state);
}

} // namespace

BENCHMARK(BM_Parse_Engine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Parse_EngineOnDemand)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Parse_Pugixml)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadFile_Engine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadFile_Pugixml)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Lookup_Engine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Lookup_Pugixml)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Write_Engine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Write_Pugixml)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (int rc = benchreport::Run(argc, argv, 5)) return rc;
    std::printf("\nratios to pugixml on the same %.1f MB store in this run (medians of CPU time):\n",
                fixture().text.size() / 1048576.0);
    using benchreport::PrintRatio;
    using benchreport::PrintRatioNoAim;
    PrintRatio("1,000 lookups by serial", "BM_Lookup_Engine", "BM_Lookup_Pugixml", 1.0, false, true);
    PrintRatio("parse from memory, whole", "BM_Parse_Engine", "BM_Parse_Pugixml", 0.8, false, true);
    PrintRatioNoAim("parse from memory, built on demand", "BM_Parse_EngineOnDemand", "BM_Parse_Pugixml",
                    false);
    PrintRatioNoAim("load from a file", "BM_LoadFile_Engine", "BM_LoadFile_Pugixml", false);
    PrintRatioNoAim("write to a file", "BM_Write_Engine", "BM_Write_Pugixml", false);
    return 0;
}
