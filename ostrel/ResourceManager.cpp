#include "ostrel/ResourceManager.h"

namespace orvek::ostrel {

ResourceManager::ResourceManager(Vant::VantAppBase* app) : Vant::ResourceManager(app) {}

ResourceManager::~ResourceManager() = default;

}  // namespace orvek::ostrel
