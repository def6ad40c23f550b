#include "core/SaveFiles.h"

#include <string>

#include "orvek/File.h"
#include "orvek/Log.h"
#include "orvek/Path.h"
#include "orvek/io/FileStream.h"

namespace orvek::trelm::core {

std::string backup_path(const std::string& path) {
    orvek::PathParts parts = orvek::split_path(path);
    std::string name(parts.name);
    name += ".prev";
    orvek::PathString out;
    orvek::make_path(out, parts.directory, name, parts.extension);
    return out.str();
}

bool keep_aside(const std::string& path, const orvek::LogChannel& errors) {
    if (!orvek::file_exists(path)) return true;
    orvek::File file;
    std::string bytes;
    bool read = file.open(path, orvek::open_mode::in | orvek::open_mode::binary);
    if (read) {
        char chunk[65536];
        for (;;) {
            std::size_t n = file.read(chunk, sizeof chunk);
            if (n == 0) break;
            bytes.append(chunk, n);
        }
        // A short read ends like the end of the file; the size tells them apart.
        read = bytes.size() == file.size();
        file.close();
    }
    const std::string backup = backup_path(path);
    std::string why;
    if (!read) {
        why = "cannot read it";
    } else if (orvek::io::write_file_safely(backup, bytes, &why)) {
        errors << "The unreadable file " << path << " is kept as " << backup << std::endl;
        return true;
    }
    errors << "Cannot keep the unreadable file " << path << " as " << backup << ": " << why << std::endl;
    return false;
}

}  // namespace orvek::trelm::core
