#pragma once
// The number a generic data field holds, as the debugging program shows, accepts and sends it: one
// codec per data type and element width. The value texts, the grids' acceptance rule and the
// request encoders all call it, so that what is typed, what goes out and what is shown agree.
//
// The number sits in the field's first element (data size bytes); the elements after it go out as
// zeros and are not read. Per type:
// - 3 and 17: unsigned; the texts show the low 16 bits, so 0..255 in one byte, 0..65535 in wider ones;
// - 7: a 4-byte float shown with six decimals ("%f"); narrower elements hold no number. A typed
//   float is accepted when the float, shown with the decimals typed (six at most), reads as typed,
//   and the grids ask before one goes out whose six decimals show more than was typed;
// - 9, 18, 19: a double point, 0 (byte 1) or 1 (byte 2); the other bits are quality flags;
// - 12: a measurand: 13 signed bits above three quality bits in the first two bytes (one byte: five
//   unsigned bits); wider elements carry the sign in their further bytes;
// - 201: a signed integer of at most 4 bytes; byte 4 holds quality flags;
// - 202: binary-coded decimal, the last digit lowest, two digits a byte in at most three bytes
//   (six digits); byte 3 holds quality flags and goes out as 0.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex {

// Why a typed value is refused.
inline constexpr const char* kValueInvalid = "输入数值无效!";
inline constexpr const char* kValueNotWhole = "输入数值无效!\n该条目只能输入整数";
inline constexpr const char* kFloatPrecision = "输入数值超出浮点数的精度!";
// The question before a float goes out with more decimals than were typed.
inline std::string FloatSentQuestion(const std::string& sent) {
    return "该数值将以" + sent + "发送,是否继续?";
}

class CValueCodec {
public:
    using Bytes = std::vector<std::uint8_t>;

    CValueCodec(std::uint8_t dataType, std::uint8_t dataSize, std::uint8_t number = 1);

    std::uint8_t Type() const { return type_; }
    std::size_t Width() const { return size_; }
    // The bytes of the whole field: data size x number.
    std::size_t Length() const { return length_; }
    // Whether this type holds a number in this width.
    bool HasNumbers() const;
    bool IsWhole() const { return type_ != 7; }

    // The number text of a value (no quality marks), or nothing when the bytes hold no number of
    // the type: too short, a nibble that is no decimal digit, a double point of 0 or 3.
    std::optional<std::string> Format(const std::uint8_t* data, std::size_t len) const;
    std::optional<std::string> Format(const Bytes& b) const { return Format(b.data(), b.size()); }
    // The number a value stands for (what an echo is compared by).
    std::optional<double> Number(const std::uint8_t* data, std::size_t len) const;

    // The field's bytes of a number (integers lose their fraction and keep their low bytes), or
    // nothing when the type has no bytes for it at all (a sign in BCD, a double point other than 0
    // and 1, no number in this width). The bytes may show another number: see Refusal.
    std::optional<Bytes> Encode(double value) const;
    // The bytes a typed text goes out as, or nothing with the reason in `why`: a text that is no
    // number, a fraction for a whole type, or a number whose bytes would show another text.
    std::optional<Bytes> Parse(std::string_view text, std::string* why = nullptr) const;
    // "" when the text goes out as typed, else the message of its refusal.
    std::string Refusal(std::string_view text) const;
    // The same for a number held by the program (a whole type takes its whole part).
    std::string Refusal(double value) const;

    // For an accepted text whose bytes show with more digits than were typed (a float: 123.456 goes
    // as 123.456001), that full text, so that the user is asked; nothing otherwise.
    std::optional<std::string> ShownBeyondTyped(std::string_view text) const;

    // The bytes the text of a value stands for: the value with what the text does not carry
    // cleared (quality bits, bytes the texts do not read, the elements after the first). Nothing
    // when the text cannot be typed back (no number, an infinity).
    std::optional<Bytes> Canonical(const Bytes& b) const;

    // Whether a text is a number the grids take: digits, an optional leading "-" and at most one
    // ".", with at least one digit (no exponent, no "+", no spaces).
    static bool IsNumberText(std::string_view text);
    // A number text as the program shows it: no leading zeros, no zeros after the point, no bare
    // point, no sign on zero.
    static std::string Normalise(std::string_view text);

private:
    std::uint8_t type_;
    std::size_t size_;
    std::size_t length_;
};

} // namespace quorvex
