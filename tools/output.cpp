#include "output.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "result_text.h"

namespace vemo::tool {
namespace {

Format g_format = Format::Text;

// ---- Text ----------------------------------------------------------------------------------

std::string TextOf(const Value& value) {
    if (const auto* number = std::get_if<long long>(&value)) return std::to_string(*number);
    const std::string& text = std::get<std::string>(value);
    if (text.size() <= kTextValueMax) return text;
    return text.substr(0, 64) + "... (" + std::to_string(text.size()) + " characters; --json gives them whole)";
}

std::string Spoken(std::string key) {
    std::replace(key.begin(), key.end(), '_', ' ');
    return key;
}

std::string ResultLine(const LibraryBinding& library, const Call& call) {
    const ResultText text = DescribeResult(call.which, library.edition(), call.result);
    return std::string(ExportName(call.which)) + ": " + std::to_string(call.result) + " (" +
           (text.name.empty() ? "" : text.name + ": ") + text.meaning + ")";
}

void PrintFields(const std::vector<Field>& fields, size_t width) {
    for (const Field& field : fields) {
        std::printf("  %-*s  %s\n", static_cast<int>(width), Spoken(field.key).c_str(), TextOf(field.value).c_str());
    }
}

size_t KeyWidth(const std::vector<Field>& a, const std::vector<Field>& b = {}) {
    size_t width = 0;
    for (const auto* fields : {&a, &b}) {
        for (const Field& field : *fields) width = std::max(width, field.key.size());
    }
    return width;
}

// Aligned columns under their names; the last column is not padded.
void PrintTableText(const Table& table, const char* indent) {
    std::vector<size_t> widths;
    for (const std::string& column : table.columns) widths.push_back(column.size());
    for (const auto& row : table.rows) {
        for (size_t i = 0; i < row.size() && i < widths.size(); ++i) widths[i] = std::max(widths[i], TextOf(row[i]).size());
    }
    auto printRow = [&](const std::vector<std::string>& cells) {
        std::string line = indent;
        for (size_t i = 0; i < cells.size(); ++i) {
            line += cells[i];
            if (i + 1 < cells.size()) line += std::string(widths[i] - cells[i].size() + 2, ' ');
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        std::printf("%s\n", line.c_str());
    };
    std::vector<std::string> header;
    for (const std::string& column : table.columns) header.push_back(Spoken(column));
    printRow(header);
    for (const auto& row : table.rows) {
        std::vector<std::string> cells;
        for (const Value& cell : row) cells.push_back(TextOf(cell));
        printRow(cells);
    }
}

void PrintTablesText(const std::vector<Table>& tables) {
    for (const Table& table : tables) {
        std::printf("  %s:\n", Spoken(table.key).c_str());
        PrintTableText(table, "    ");
    }
}

// ---- JSON ----------------------------------------------------------------------------------

// A JSON string of ANSI text: every character outside printable ASCII escaped as \uXXXX
// (UTF-16), so the object is valid whatever code page the console has.
std::string JsonString(const std::string& ansi) {
    std::wstring wide;
    if (!ansi.empty()) {
        const int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
        wide.resize(static_cast<size_t>(length));
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), length);
    }
    std::string json = "\"";
    for (const wchar_t unit : wide) {
        if (unit == L'"') json += "\\\"";
        else if (unit == L'\\') json += "\\\\";
        else if (unit == L'\n') json += "\\n";
        else if (unit == L'\r') json += "\\r";
        else if (unit == L'\t') json += "\\t";
        else if (unit >= 0x20 && unit < 0x7f) json += static_cast<char>(unit);
        else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(unit));
            json += escaped;
        }
    }
    return json + "\"";
}

std::string JsonValue(const Value& value) {
    if (const auto* number = std::get_if<long long>(&value)) return std::to_string(*number);
    return JsonString(std::get<std::string>(value));
}

std::string JsonRows(const Table& table) {
    std::string json = "[";
    for (const auto& row : table.rows) {
        if (json.size() > 1) json += ",";
        json += "{";
        for (size_t i = 0; i < row.size() && i < table.columns.size(); ++i) {
            json += (i ? "," : "") + JsonString(table.columns[i]) + ":" + JsonValue(row[i]);
        }
        json += "}";
    }
    return json + "]";
}

// The fields, and the tables that are arguments (or are not), as one object.
std::string JsonObject(const std::vector<Field>& fields, const std::vector<Table>& tables, bool arguments) {
    std::string json = "{";
    for (const Field& field : fields) {
        if (json.size() > 1) json += ",";
        json += JsonString(field.key) + ":" + JsonValue(field.value);
    }
    for (const Table& table : tables) {
        if (table.argument != arguments) continue;
        if (json.size() > 1) json += ",";
        json += JsonString(table.key) + ":" + JsonRows(table);
    }
    return json + "}";
}

void PrintJson(const LibraryBinding& library, const Call& call) {
    const ResultText text = DescribeResult(call.which, library.edition(), call.result);
    std::printf("{\"export\":%s,\"edition\":%s,\"arguments\":%s,\"result\":%ld,\"name\":%s,\"meaning\":%s,"
                "\"outputs\":%s}\n",
                JsonString(ExportName(call.which)).c_str(), JsonString(EditionName(library.edition())).c_str(),
                JsonObject(call.arguments, call.tables, true).c_str(), static_cast<long>(call.result),
                text.name.empty() ? "null" : JsonString(text.name).c_str(), JsonString(text.meaning).c_str(),
                JsonObject(call.outputs, call.tables, false).c_str());
}

bool SameField(const Field& a, const Field& b) { return a.key == b.key && a.value == b.value; }

bool InEveryCall(const Field& field, const std::vector<Call>& calls) {
    return std::all_of(calls.begin(), calls.end(), [&](const Call& call) {
        return std::any_of(call.arguments.begin(), call.arguments.end(),
                           [&](const Field& other) { return SameField(field, other); });
    });
}

const Value* Find(const std::vector<Field>& fields, const std::string& key) {
    for (const Field& field : fields) {
        if (field.key == key) return &field.value;
    }
    return nullptr;
}

void AddKey(std::vector<std::string>& keys, const std::string& key) {
    if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(key);
}

}  // namespace

void SetFormat(Format format) { g_format = format; }
bool JsonFormat() { return g_format == Format::Json; }

int Print(const LibraryBinding& library, const Call& call) {
    if (JsonFormat()) {
        PrintJson(library, call);
    } else {
        std::printf("%s\n", ResultLine(library, call).c_str());
        const size_t width = KeyWidth(call.arguments, call.outputs);
        PrintFields(call.arguments, width);
        PrintFields(call.outputs, width);
        PrintTablesText(call.tables);
    }
    std::fflush(stdout);
    return call.result == 0 ? 0 : 1;
}

int PrintSeries(const LibraryBinding& library, const std::vector<Call>& calls, const char* rowsCaption) {
    if (calls.empty()) return 0;
    const auto failed = std::find_if(calls.begin(), calls.end(), [](const Call& call) { return call.result != 0; });
    if (JsonFormat()) {
        for (const Call& call : calls) PrintJson(library, call);
        std::fflush(stdout);
        return failed == calls.end() ? 0 : 1;
    }
    std::printf("%s\n", ResultLine(library, failed == calls.end() ? calls.front() : *failed).c_str());
    std::vector<Field> shared;
    std::vector<std::string> argumentKeys, outputKeys;
    for (const Field& field : calls.front().arguments) {
        if (InEveryCall(field, calls)) shared.push_back(field);
    }
    for (const Call& call : calls) {
        for (const Field& field : call.arguments) {
            if (Find(shared, field.key) == nullptr) AddKey(argumentKeys, field.key);
        }
        for (const Field& field : call.outputs) AddKey(outputKeys, field.key);
    }
    PrintFields(shared, KeyWidth(shared));

    Table rows{rowsCaption, argumentKeys, {}};
    rows.columns.push_back("result");
    rows.columns.insert(rows.columns.end(), outputKeys.begin(), outputKeys.end());
    for (const Call& call : calls) {
        std::vector<Value> row;
        for (const std::string& key : argumentKeys) row.push_back(Find(call.arguments, key) ? *Find(call.arguments, key) : "");
        const std::string name = DescribeResult(call.which, library.edition(), call.result).name;
        row.push_back(call.result == 0 ? std::to_string(call.result) : std::to_string(call.result) + " " + name);
        for (const std::string& key : outputKeys) row.push_back(Find(call.outputs, key) ? *Find(call.outputs, key) : "");
        rows.rows.push_back(row);
    }
    PrintTablesText({rows});
    const auto lastMade = std::find_if(calls.rbegin(), calls.rend(), [](const Call& call) { return call.result == 0; });
    if (lastMade != calls.rend()) PrintTablesText(lastMade->tables);
    std::fflush(stdout);
    return failed == calls.end() ? 0 : 1;
}

void Announce(const std::string& text) {
    std::FILE* out = JsonFormat() ? stderr : stdout;
    std::fprintf(out, "%s\n", text.c_str());
    std::fflush(out);
}

void PrintTable(const Table& table) {
    if (JsonFormat()) {
        std::printf("%s\n", JsonObject({}, {table}, table.argument).c_str());
    } else {
        PrintTableText(table, "");
    }
    std::fflush(stdout);
}

std::string Hex(const void* bytes, size_t count) {
    static const char digits[] = "0123456789abcdef";
    const auto* byte = static_cast<const uint8_t*>(bytes);
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        text += digits[byte[i] >> 4];
        text += digits[byte[i] & 15];
    }
    return text;
}

}  // namespace vemo::tool
