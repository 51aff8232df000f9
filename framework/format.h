// printf into a string of whatever length the arguments need.
#pragma once
#include <string>

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
