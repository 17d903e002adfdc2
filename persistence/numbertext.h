#pragma once
// The number texts of the scene file. They are part of the format, so they
// are made and read in the C locale whatever locale the program runs in (a
// toolkit may switch to the user's, which writes "3,250000").
#include <string>

namespace numbertext {

// "%f": optional minus, integer digits, a point and six decimals.
std::string formatFixed(double value);
// The shortest of "%.6g" to "%.9g" that reads back (parseDouble, then
// narrowed to float) as value exactly: texts that carry a float to the bit.
std::string formatExact(float value);
// "%d".
std::string formatInt(int value);

// "%lf": the number at the start of text (after white space); anything after
// it is ignored. False when text does not begin with a number.
bool parseDouble(const char* text, double* value);
// "%d": the integer at the start of text, so "1.7" gives 1. False when text
// does not begin with a number or the number does not fit an int.
bool parseInt(const char* text, int* value);

} // namespace numbertext
