// vemo's one output layer. A command describes each export call it made (what went in, the
// result, what came out) and this layer prints it: as readable text, or with --json as one JSON
// object per call on standard output. No command prints a result itself.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "library_binding.h"

namespace vemo::tool {

// A value: text (in the ANSI code page, as the library and the command line have it) or a
// number. Bytes are given as their hex text (Hex()).
using Value = std::variant<std::string, long long>;

// A key ("serial_number") and its value. Text output shows the key with spaces for underscores.
struct Field {
    std::string key;
    Value value;
};

// A record's fields, one row each: JSON gives an array of objects keyed by the columns.
struct Table {
    std::string key;
    std::vector<std::string> columns;
    std::vector<std::vector<Value>> rows;
    bool argument = false;  // a record the call read (JSON: among the arguments), not one it wrote
};

struct Call {
    explicit Call(Export which, std::vector<Field> arguments = {}) : which(which), arguments(std::move(arguments)) {}

    Export which;
    std::vector<Field> arguments;  // what went in, as the command line named it
    int32_t result = 0;
    std::vector<Field> outputs;  // what came out, files written included
    std::vector<Table> tables;
};

enum class Format { Text, Json };
void SetFormat(Format format);
bool JsonFormat();

// Text output shortens a value of more than kTextValueMax characters (JSON gives it whole).
inline constexpr size_t kTextValueMax = 200;

// Prints one call; gives the exit status of its result: 0 only for 0, else 1.
int Print(const LibraryBinding& library, const Call& call);
// Several calls of one export (certinfo's items). JSON: one object per call. Text: the
// arguments they share, one row per call under `rowsCaption` (the arguments that differ, the
// result, the outputs), the tables of the last successful call, and the meaning of the first
// failure. Exit status 0 only when every call returned 0.
int PrintSeries(const LibraryBinding& library, const std::vector<Call>& calls, const char* rowsCaption);
// Says, before a call that can block, what it waits for: on standard output in text, on
// standard error with --json (standard output then holds only the calls' objects).
void Announce(const std::string& text);
// A table that no call made (the "codes" command): aligned text, or one JSON object holding
// the rows under the table's key.
void PrintTable(const Table& table);

// Lower-case hexadecimal text of the bytes.
std::string Hex(const void* bytes, size_t count);

}  // namespace vemo::tool
