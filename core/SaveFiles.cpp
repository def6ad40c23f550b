#include "core/SaveFiles.h"

#include <string>

#include "orvek/Log.h"
#include "orvek/io/SafeWrite.h"

namespace orvek::trelm::core {

std::string backup_path(const std::string& path) { return orvek::io::kept_copy_path(path); }

bool keep_aside(const std::string& path, const orvek::LogChannel& errors) {
    std::string kept_as, why;
    if (orvek::io::keep_copy(path, kept_as, why)) {
        if (!kept_as.empty()) errors << "The unreadable file " << path << " is kept as " << kept_as << std::endl;
        return true;
    }
    errors << "Cannot keep the unreadable file " << path << " as " << kept_as << ": " << why << std::endl;
    return false;
}

}  // namespace orvek::trelm::core
