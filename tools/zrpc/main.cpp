// zrpc: command-line access to the library. Exit status 0 on success, otherwise the library's result code.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "tools/zrpc/zrpc.h"
#include "zrpcfunc.h"

namespace {
std::map<std::string, ZrpcCommand>& Commands() {
    static std::map<std::string, ZrpcCommand> commands;
    return commands;
}

int Help() {
    std::printf("usage: zrpc <command> [arguments]\n\ncommands:\n");
    for (const auto& c : Commands())
        std::printf("  %s\n", c.second.usage);
    return 0;
}
} // namespace

bool ZrpcRegister(const ZrpcCommand& command) {
    Commands()[command.name] = command;
    return true;
}

int ZrpcFail(unsigned long code, const std::string& what) {
    char text[400] = "";
    unsigned long size = sizeof text;
    ZRPCFUNC_FormatErrorMsg(code, text, &size);
    std::fprintf(stderr, "zrpc: %s: %s (code %lu)\n", what.c_str(), text, code);
    return (int)code;
}

int ZrpcUsage(const char* usage) {
    std::fprintf(stderr, "usage: zrpc %s\n", usage);
    return 3;
}

bool ZrpcTakeFlag(std::vector<std::string>& args, const std::string& flag) {
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == flag) {
            args.erase(args.begin() + (long)i);
            return true;
        }
    }
    return false;
}

bool ZrpcTakeOption(std::vector<std::string>& args, const std::string& option, std::string& value) {
    for (size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == option) {
            value = args[i + 1];
            args.erase(args.begin() + (long)i, args.begin() + (long)i + 2);
            return true;
        }
    }
    return false;
}

bool ZrpcParseHex(const std::string& text, unsigned long& value) {
    if (text.empty() || text.size() > 10) return false;
    char* end = nullptr;
    value = std::strtoul(text.c_str(), &end, 16);
    return end && *end == 0;
}

bool ZrpcParseInt(const std::string& text, long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 0);
    return end && *end == 0;
}

bool ZrpcReadFile(const std::string& path, std::string& data) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::stringstream s;
    s << in.rdbuf();
    data = s.str();
    return true;
}

bool ZrpcWriteFile(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(data.data(), (std::streamsize)data.size());
    return (bool)out;
}

int main(int argc, char** argv) {
    if (argc < 2 || !std::strcmp(argv[1], "help") || !std::strcmp(argv[1], "--help")) return Help();
    auto it = Commands().find(argv[1]);
    if (it == Commands().end()) {
        std::fprintf(stderr, "zrpc: unknown command '%s'\n", argv[1]);
        Help();
        return 3;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
    return it->second.run(args);
}
