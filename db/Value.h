#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace trawler::db {

// One field value as a result hands it out: NULL, a whole number, a real or a
// text. Texts of fixed-width columns come back as stored (no padding added).
class Value {
public:
    enum class Kind { Null, Integer, Real, Text };

    Value() = default;
    static Value integer(std::int64_t v) { Value x; x.m_data = v; return x; }
    static Value real(double v) { Value x; x.m_data = v; return x; }
    static Value text(std::string v) { Value x; x.m_data = std::move(v); return x; }

    Kind kind() const { return static_cast<Kind>(m_data.index()); }
    bool isNull() const { return kind() == Kind::Null; }

    // The value as the operator reads it: texts unchanged, integers in
    // decimal, a real holding a whole number without a fraction and any
    // other real in the shortest form that reads back to the same double.
    // NULL has no text.
    std::optional<std::string> toText() const;

    // Numeric view for counts and sums; NULL and non-numeric text give 0.
    std::int64_t toInt() const;
    double toDouble() const;

private:
    std::variant<std::monostate, std::int64_t, double, std::string> m_data;
};

// A field of a result's current row, read without a copy: for loops over
// millions of rows, where a Value a field costs more than the work on it.
// `text` stays valid until the statement steps or resets. A real has no
// number here, and bytes other than text have no text: the readers that
// use views take only whole numbers and texts.
struct FieldView {
    enum class Kind { Null, Integer, Real, Text, Bytes };
    Kind kind = Kind::Null;
    std::int64_t integer = 0;
    std::string_view text;
};

// Shortest decimal form of a double that reads back exactly.
std::string formatReal(double v);

} // namespace trawler::db
