// The functions and named constants a formula can use.
#pragma once

#include <array>
#include <string_view>

namespace builtins {

/// Function names; a name's index is its function code.
inline constexpr std::array<std::string_view, 26> functions = {
    "EXP",   "EXP10", "EXP2",  "LOG10", "LOG2",  "LOG",  "LN",   "COS",  "SIN",
    "TAN",   "ASIN",  "ACOS",  "ATAN",  "SQRT",  "ABS",  "SIGN", "FACT", "CEIL",
    "FLOOR", "ROUND", "ACOSH", "ASINH", "ATANH", "COSH", "SINH", "TANH"};

inline constexpr std::array<std::string_view, 10> constant_names = {"PI", "E",  "C",  "G",  "E0",
                                                                    "ME", "MP", "MN", "U0", "Q"};

inline constexpr std::array<double, 10> constant_values = {
    3.141592653589793, 2.718281828459045, 299792458.0, 6.6732e-11, 1.6021892e-19,
    9.109534e-31,      1.672614e-27,      1.67492e-27, 1.2566e-06, 1.602189e-19};

/// ln 10 and ln 2 as the nearest doubles; EXP10 and EXP2 go through exp() with them.
inline constexpr double Ln10 = 2.302585092994046;
inline constexpr double Ln2 = 0.6931471805599453;

} // namespace builtins
