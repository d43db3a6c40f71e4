// zrpc.exe: the library's command-line tool. Each command file registers its subcommands here.
#ifndef ZRPC_TOOL_H
#define ZRPC_TOOL_H

#include <string>
#include <vector>

struct ZrpcCommand {
    const char* name;
    int (*run)(const std::vector<std::string>& args); // args after the subcommand's name
    const char* usage;
};

bool ZrpcRegister(const ZrpcCommand& command);

#define ZRPC_CONCAT2(a, b) a##b
#define ZRPC_CONCAT(a, b) ZRPC_CONCAT2(a, b)
#define ZRPC_COMMAND(name, function, usage)                                                                  \
    static const bool ZRPC_CONCAT(zrpc_registered_, __LINE__) = ZrpcRegister({name, function, usage})

// Prints "zrpc: <what>: <text of code>" on standard error and returns code (the exit status).
int ZrpcFail(unsigned long code, const std::string& what);
// Prints a usage error and returns 3 (invalid argument).
int ZrpcUsage(const char* usage);

// Small helpers for argument lists: "--name value" options and flags.
bool ZrpcTakeFlag(std::vector<std::string>& args, const std::string& flag);
bool ZrpcTakeOption(std::vector<std::string>& args, const std::string& option, std::string& value);
bool ZrpcParseHex(const std::string& text, unsigned long& value);
bool ZrpcParseInt(const std::string& text, long& value);

// Whole-file helpers (binary).
bool ZrpcReadFile(const std::string& path, std::string& data);
bool ZrpcWriteFile(const std::string& path, const std::string& data);

#endif
