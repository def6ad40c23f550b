// Turns levelgen's text polylines into the binary way and contour files the
// level builder reads, through the game's own stream and way writer, so the
// bytes are by construction what the reader expects.
//
//   waypack <polyline.txt> <file.way>            way file: version, count, records
//   waypack --contour <polyline.txt> <file.way>  contour file: version, one record
//   waypack --dump [--contour] <file.way>        prints a file back as text
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/waypack/WayText.h"


int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    bool dump = false, contour = false;
    while (!args.empty() && args.front().rfind("--", 0) == 0) {
        if (args.front() == "--dump") dump = true;
        else if (args.front() == "--contour") contour = true;
        else break;
        args.erase(args.begin());
    }
    try {
        if (dump && args.size() == 1) {
            std::cout << zelkor_tools::format_way_text(zelkor_tools::load_way_file(contour, args[0]));
            return 0;
        }
        if (!dump && args.size() == 2) {
            std::ifstream f(args[0], std::ios::binary);
            if (!f) throw std::runtime_error(args[0] + ": cannot open");
            std::stringstream text;
            text << f.rdbuf();
            zelkor_tools::save_way_file(zelkor_tools::parse_way_text(text.str(), args[0]), contour, args[1]);
            return 0;
        }
    } catch (const std::exception& e) {
        std::cerr << "waypack: " << e.what() << "\n";
        return 1;
    }
    std::cerr << "usage: waypack [--contour] <polyline.txt> <file.way>\n"
                 "       waypack --dump [--contour] <file.way>\n";
    return 2;
}
