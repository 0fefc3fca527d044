// Command-line helpers that every `tavrin` command parses its arguments with.
#pragma once
#include <string>

// A finite decimal number that fills the whole text.
bool parse_number(const std::string& text, double* out);

// WIDTHxHEIGHT (or WIDTHXHEIGHT) in whole pixels, each side at most five digits; the caller
// checks the range it accepts.
bool parse_size(const std::string& text, int* w, int* h);
