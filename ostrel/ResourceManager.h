#pragma once
// The resource manager the adapter's application installs in place of the
// framework's; the skin reaches every image, font and group through it.
#include "framework/app/ResourceManager.h"

namespace orvek::ostrel {

class ResourceManager : public Vant::ResourceManager {
public:
    explicit ResourceManager(Vant::VantAppBase* app);
    ~ResourceManager() override;
};

}  // namespace orvek::ostrel
