// definitions_builder <readable text file> <folder>: writes spyware.db (and
// spyware.db.descr and spyware.def when the text has any) into the folder.
#include <fstream>
#include <iostream>
#include <sstream>

#include "support/definitions_builder.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: definitions_builder <text file> <folder>\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::cerr << "can't read " << argv[1] << "\n";
        return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    try {
        test_support::WriteDefinitions(test_support::BuildDefinitions(text.str()), argv[2]);
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
    return 0;
}
