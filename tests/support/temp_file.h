// Files that a test writes for the program to read, in a folder removed when the test ends,
// and files that a test reads back.
#pragma once
#include <string>
#include <vector>

// Writes bytes to a new file under the test's temporary folder and returns its path.
std::string writeTempFile(const std::string& name, const std::vector<unsigned char>& bytes);

#ifndef _WIN32
// Makes a FIFO under the test's temporary folder and returns its path; with no writer, an
// open for reading that waits would wait for ever.
std::string makeTempFifo(const std::string& name);
#endif

// The whole file at path; empty when it cannot be read.
std::vector<unsigned char> readFileBytes(const std::string& path);
