// Reads an image fixture of tests/data/images into memory.
#pragma once
#include <string>
#include <vector>

std::vector<unsigned char> ReadFixture(const std::string& name);
