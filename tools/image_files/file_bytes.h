// Puts an encoded file on disk whole, for the generators and the tests that read files back.
#pragma once
#include <string>
#include <vector>

// Creates or replaces the file at path with bytes; false, with the reason in *error, when it
// cannot be created or written completely.
bool writeFileBytes(const char* path, const std::vector<unsigned char>& bytes, std::string* error);
