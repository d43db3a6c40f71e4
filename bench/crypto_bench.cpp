// SHA-1 and Base64 speed next to OpenSSL's in the same run, at 64 bytes, 1 KiB and 1 MiB. SHA-1 runs
// through the library's own choice of engine and through each engine by name (the portable code, and
// the processor's SHA instructions where this processor has them).
// OpenSSL picks its SHA-1 code from the processor's features; to compare with its SSSE3/AVX code
// rather than the SHA instructions, run with OPENSSL_ia32cap=":~0x20000000".
#define OPENSSL_API_COMPAT 0x10100000L
#define OPENSSL_SUPPRESS_DEPRECATED

#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <openssl/sha.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bench/bench_report.h"
#include "crypto/base64.h"
#include "crypto/sha1.h"

namespace {

std::vector<uint8_t> Bytes(size_t n) {
    std::vector<uint8_t> v(n);
    uint32_t x = 12345;
    for (auto& b : v) {
        x = x * 1103515245u + 12345u;
        b = (uint8_t)(x >> 24);
    }
    return v;
}

std::string Encoded(size_t n) {
    std::vector<uint8_t> data = Bytes(n);
    std::string text(zrpc::Base64EncodedLength(n) + 1, '\0');
    zrpc::Base64Encode(data.data(), n, &text[0]);
    text.pop_back();
    return text;
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->Arg(64)->Arg(1024)->Arg(1 << 20);
}

void Sha1_Zrpc(benchmark::State& state) {
    std::vector<uint8_t> data = Bytes((size_t)state.range(0));
    for (auto _ : state) {
        _tSHA_Context c;
        zrpc::Sha1Init(&c);
        zrpc::Sha1Update(&c, data.data(), data.size());
        benchmark::DoNotOptimize(zrpc::Sha1Final(&c));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * state.range(0));
}

void Sha1Engine(benchmark::State& state, zrpc::Sha1Engine engine) {
    std::vector<uint8_t> data = Bytes((size_t)state.range(0));
    for (auto _ : state) {
        _tSHA_Context c;
        zrpc::Sha1Init(&c);
        zrpc::Sha1UpdateWith(engine, &c, data.data(), data.size());
        benchmark::DoNotOptimize(zrpc::Sha1FinalWith(engine, &c));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * state.range(0));
}
void Sha1_ZrpcPortable(benchmark::State& state) {
    Sha1Engine(state, zrpc::Sha1Engine::Portable);
}
void Sha1_ZrpcProcessor(benchmark::State& state) {
    if (!zrpc::Sha1ProcessorEngineAvailable()) {
        state.SkipWithError("no SHA instructions on this processor");
        for (auto _ : state) {
        }
        return;
    }
    Sha1Engine(state, zrpc::Sha1Engine::Processor);
}

void Sha1_OpenSSL(benchmark::State& state) {
    std::vector<uint8_t> data = Bytes((size_t)state.range(0));
    unsigned char digest[20];
    for (auto _ : state) {
        SHA_CTX c;
        SHA1_Init(&c);
        SHA1_Update(&c, data.data(), data.size());
        SHA1_Final(digest, &c);
        benchmark::DoNotOptimize(digest);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * state.range(0));
}

void Base64Encode_Zrpc(benchmark::State& state) {
    std::vector<uint8_t> data = Bytes((size_t)state.range(0));
    std::vector<char> text(zrpc::Base64EncodedLength(data.size()) + 1);
    for (auto _ : state) {
        zrpc::Base64Encode(data.data(), data.size(), text.data());
        benchmark::DoNotOptimize(text.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * state.range(0));
}

void Base64Encode_OpenSSL(benchmark::State& state) {
    std::vector<uint8_t> data = Bytes((size_t)state.range(0));
    std::vector<unsigned char> text(zrpc::Base64EncodedLength(data.size()) + 1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(EVP_EncodeBlock(text.data(), data.data(), (int)data.size()));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * state.range(0));
}

// Decoding speeds are given per byte of decoded data, like the encoders'.
void Base64Decode_Zrpc(benchmark::State& state) {
    std::string text = Encoded((size_t)state.range(0));
    std::vector<uint8_t> out(zrpc::Base64DecodeEstimate(text.size()) + 1);
    for (auto _ : state) {
        size_t n = 0;
        benchmark::DoNotOptimize(zrpc::Base64Decode(text.c_str(), text.size(), out.data(), out.size(), &n));
        benchmark::DoNotOptimize(n);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * state.range(0));
}

void Base64Decode_OpenSSL(benchmark::State& state) {
    std::string text = Encoded((size_t)state.range(0));
    std::vector<unsigned char> out(text.size());
    for (auto _ : state) {
        benchmark::DoNotOptimize(EVP_DecodeBlock(
            out.data(), reinterpret_cast<const unsigned char*>(text.data()), (int)text.size()));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * state.range(0));
}

BENCHMARK(Sha1_Zrpc)->Apply(Sizes);
BENCHMARK(Sha1_ZrpcPortable)->Apply(Sizes);
BENCHMARK(Sha1_ZrpcProcessor)->Apply(Sizes);
BENCHMARK(Sha1_OpenSSL)->Apply(Sizes);
BENCHMARK(Base64Encode_Zrpc)->Apply(Sizes);
BENCHMARK(Base64Encode_OpenSSL)->Apply(Sizes);
BENCHMARK(Base64Decode_Zrpc)->Apply(Sizes);
BENCHMARK(Base64Decode_OpenSSL)->Apply(Sizes);

} // namespace

int main(int argc, char** argv) {
    if (int rc = benchreport::Run(argc, argv, 5)) return rc;
    std::printf("\nSHA-1 engine this library chose at start-up: %s\n",
                zrpc::Sha1ActiveEngine() == zrpc::Sha1Engine::Processor ? "the processor's SHA instructions"
                                                                        : "the portable code");
    std::printf("ratios to OpenSSL in this run (medians of CPU time):\n");
    using benchreport::PrintRatio;
    using benchreport::PrintRatioNoAim;
    PrintRatio("SHA-1, 1 MiB, the library's engine", "Sha1_Zrpc/1048576", "Sha1_OpenSSL/1048576", 0.9, true,
               false);
    PrintRatioNoAim("SHA-1, 1 MiB, processor engine", "Sha1_ZrpcProcessor/1048576", "Sha1_OpenSSL/1048576",
                    true);
    PrintRatioNoAim("SHA-1, 1 MiB, portable engine", "Sha1_ZrpcPortable/1048576", "Sha1_OpenSSL/1048576",
                    true);
    PrintRatioNoAim("SHA-1, 1 KiB, the library's engine", "Sha1_Zrpc/1024", "Sha1_OpenSSL/1024", true);
    PrintRatioNoAim("SHA-1, 64 bytes, the library's engine", "Sha1_Zrpc/64", "Sha1_OpenSSL/64", true);
    PrintRatioNoAim("Base64 encoding, 1 MiB", "Base64Encode_Zrpc/1048576", "Base64Encode_OpenSSL/1048576",
                    true);
    PrintRatioNoAim("Base64 decoding, 1 MiB", "Base64Decode_Zrpc/1048576", "Base64Decode_OpenSSL/1048576",
                    true);
    return 0;
}
