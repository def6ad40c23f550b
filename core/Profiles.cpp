#include "core/Profiles.h"

#include <exception>

#include "core/SaveFiles.h"
#include "orvek/File.h"
#include "orvek/Log.h"
#include "orvek/io/ArcStream.h"
#include "orvek/io/FileStream.h"
#include "orvek/io/SharedRefs.h"

namespace orvek::trelm::core {

namespace {

orvek::LogChannel profiles_errors("Core.Profiles", 1);

using orvek::io::Stream;

}  // namespace

Profiles::Profiles(std::string path) : path_(std::move(path)) { load(); }

Profiles::~Profiles() {
    try {
        save();
    } catch (const std::exception& e) {
        profiles_errors << "Cannot save the profiles to " << path_ << ": " << e.what() << std::endl;
    } catch (...) {
        profiles_errors << "Cannot save the profiles to " << path_ << std::endl;
    }
}

std::shared_ptr<Profile> Profiles::get(unsigned index) const {
    return index < profiles_.size() ? profiles_[index] : nullptr;
}

unsigned Profiles::index_of(const std::string& name) const {
    for (unsigned i = 0; i < profiles_.size(); ++i)
        if (profiles_[i] && profiles_[i]->name() == name) return i;
    return size();
}

std::shared_ptr<Profile> Profiles::find(const std::string& name) const { return get(index_of(name)); }

void Profiles::add(const std::shared_ptr<Profile>& profile) {
    if (!profile || contains(profile->name())) return;
    profiles_.push_back(profile);
}

void Profiles::remove(unsigned index) {
    if (index >= profiles_.size()) return;
    profiles_[index] = profiles_.back();
    profiles_.pop_back();
}

void Profiles::save() {
    if (backup_pending_) {
        if (!keep_aside(path_, profiles_errors)) {
            Stream::Error info("The unreadable profiles file could not be kept aside; not saved", 0, path_);
            orvek::report_and_throw(ORVEK_THROW_LOCATION, orvek::io::Failure(info));
        }
        backup_pending_ = false;
    }
    orvek::io::SafeOFStream out(path_, Stream::default_exceptions);
    out << std::uint32_t{0};
    orvek::io::write_count(out, profiles_.size());
    for (const auto& profile : profiles_) {
        if (!out.good()) break;
        orvek::io::save_shared(out, profile);
    }
    out.commit();
}

void Profiles::load() {
    if (!orvek::file_exists(path_)) return;
    profiles_.clear();
    bool complete = false;
    try {
        orvek::io::IArcStream in;
        in.open(path_, orvek::open_mode::in, Stream::default_exceptions);
        std::uint32_t version = 0;
        in >> version;
        const std::uint32_t count = orvek::io::read_count(in);
        // The count is the file's: nothing is reserved for it, and the loop
        // ends with the stream.
        for (std::uint32_t i = 0; i < count && in.good(); ++i) {
            std::shared_ptr<Profile> profile;
            orvek::io::load_shared(in, profile);
            if (!in.good()) break;
            if (profile) profiles_.push_back(std::move(profile));
        }
        complete = in.rdstate() == Stream::goodbit;
    } catch (const std::exception& e) {
        profiles_errors << "Cannot read the profiles file " << path_ << ": " << e.what() << std::endl;
    }
    if (!complete) {
        profiles_errors << "The profiles file " << path_ << " is damaged; " << profiles_.size()
                        << " profile(s) could be read" << std::endl;
        loaded_completely_ = false;
        backup_pending_ = !keep_aside(path_, profiles_errors);
    }
}

}  // namespace orvek::trelm::core
