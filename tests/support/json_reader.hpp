#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quirelle::testing {

// A JSON value as the program's JSON output is read back by the tests.
struct JsonValue {
    enum class Kind { Null, Boolean, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0.0;
    std::string string;
    std::vector<JsonValue> array;
    std::map<std::string, JsonValue> object;

    // The member `name` of an object; a null value when there is none.
    const JsonValue& operator[](const std::string& name) const;
};

// Reads one JSON text; nothing when it is not exactly one valid value (blanks around it aside).
std::optional<JsonValue> ParseJson(std::string_view text);

// Reads JSON Lines: one value per non-empty line; nothing when any line is not valid JSON.
std::optional<std::vector<JsonValue>> ParseJsonLines(std::string_view text);

}  // namespace quirelle::testing
