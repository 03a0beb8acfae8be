#pragma once

#include <QString>

#include "platform/variant.h"

// The value rules of the report engine's expressions and scripts.
//
// The engine computes with `Variant` values but pins its own rules where the general variant
// arithmetic of the platform would be surprising inside a template. Every operator of the
// expression language goes through these functions; nothing else in the engine combines values.
//
// Operands
// - Null propagates: any arithmetic (+ - * / MOD OR, AND, unary minus, INT, FRAC, ROUND) with a
//   Null operand gives Null. Null prints as the empty text (STR and ValueText).
// - Empty (a value never assigned) counts as the integer 0, or as the empty text beside text.
// - Booleans count as 1 (true) and 0 (false) in arithmetic, so that they mix with the 1 and 0
//   that comparisons produce: TRUE + 1 = 2, (1 < 2) AND TRUE = 1. OR of two booleans stays a
//   boolean (logical or); OR with any number is the bitwise or of integers.
// - Byte, Int and Int64 are integers; integer results are Int and widen to Int64 and then
//   Double instead of overflowing. Double with anything numeric gives Double; Money with Money
//   or an integer gives exact Money for + and -, Money * integer gives Money.
// - Text + text concatenates (and text + Empty gives the text). Text with any non-text operand
//   is taken as a number: blank text counts as 0, a text that spells a number ("12", " -1.5 ",
//   "1E3") is that number, any other text raises EConvertError. So '1' + 2 = 3 but 'A' + 2
//   fails; write STR(2) to join a number to a text.
// - Date-time ± number gives a date-time; date-time - date-time gives the days between them as
//   Double; a date-time multiplied or divided gives Double.
//
// Division and remainder
// - L / R gives Double; when R equals 0 the result is the 8-bit unsigned integer 0 (templates
//   rely on a division by zero printing 0 instead of failing).
// - L MOD R takes both operands as integers (doubles rounded half to even) and gives the
//   remainder with the sign of L; R = 0 raises EZeroDivide.
//
// Comparison (= <> < > <= >=, results are the 8-bit unsigned integers 1 and 0)
// - Null and Empty are equal to each other, Null is less than every other value; Empty
//   compares as 0 with numbers and as the empty text with texts.
// - Text with text compares by character codes, letter case counts ('a' <> 'A').
// - Text with a number, boolean or date-time compares numerically when the text spells a
//   number, else as texts (the other value's text).
// - Numbers, booleans (1/0) and date-times compare numerically, across their types.
//
// Truth
// - NOT and script conditions: a value is false when it equals 0 by the rules above (false, 0,
//   0.0, '0' and Empty); Null equals no number, so NOT Null = 0 and a Null condition runs the
//   guarded statement.
// - IF(c, a, b): a boolean chooses by itself; Null and Empty choose b; any other value is taken
//   as a number (a text that is no number raises EConvertError) and its whole part decides, so
//   IF(0.5, a, b) gives b.
namespace frv {

Variant Add(const Variant& l, const Variant& r);
Variant Subtract(const Variant& l, const Variant& r);
Variant Multiply(const Variant& l, const Variant& r);
Variant Divide(const Variant& l, const Variant& r);
Variant Modulo(const Variant& l, const Variant& r);
Variant Or(const Variant& l, const Variant& r);
Variant Negate(const Variant& x);

// <0, 0 or >0 by the comparison rules above.
int Compare(const Variant& l, const Variant& r);
bool Equals(const Variant& l, const Variant& r);
// The comparison operators as the parser codes them: the byte 1 or 0.
Variant Less(const Variant& l, const Variant& r);
Variant Greater(const Variant& l, const Variant& r);
Variant LessOrEqual(const Variant& l, const Variant& r);
Variant GreaterOrEqual(const Variant& l, const Variant& r);
Variant Equal(const Variant& l, const Variant& r);
Variant NotEqual(const Variant& l, const Variant& r);
Variant Not(const Variant& x);   // 1 when x equals 0, else 0

bool IsZero(const Variant& x);   // equals 0 by the rules above

// INT and FRAC: the value as a double, snapped to the nearest whole number when within 1e-10
// of it; INT cuts the fraction towards zero, FRAC is what INT cut off. Both give Double.
Variant IntPart(const Variant& x);
Variant FracPart(const Variant& x);
// ROUND: nearest whole number, halves to the even neighbour; the low 32 bits as Int.
Variant RoundInt(const Variant& x);

// The text of a value as templates see it: Null and Empty give the empty text, numbers up to 15
// significant digits with "." as decimal separator, booleans "True"/"False".
QString ValueText(const Variant& x);

// A value as a number (Double/Int/Money...) by the operand rules above; raises EConvertError for
// a text that is not a number. Null stays Null.
Variant Numeric(const Variant& x);
// A value as a double for functions that need one (Null and blank text give 0).
double ToDouble(const Variant& x);
// The byte values that comparisons produce.
inline Variant Byte(bool b) { return Variant::byte(b ? 1 : 0); }

}  // namespace frv
