// puppet_writer DESCRIPTION OUTPUT: writes a Puppet model file from its readable description.
#include <cstdio>
#include <fstream>
#include <sstream>

#include "tools/puppet_writer/PuppetWriter.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: puppet_writer DESCRIPTION OUTPUT\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "puppet_writer: cannot read %s\n", argv[1]);
        return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    puppet_writer::ModelDescription model;
    std::string error;
    if (!puppet_writer::ParseDescription(text.str(), model, error)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], error.c_str());
        return 1;
    }
    std::vector<uint8_t> bytes = puppet_writer::WriteModel(model);
    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "puppet_writer: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
