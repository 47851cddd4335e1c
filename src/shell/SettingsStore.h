#pragma once

#include <map>
#include <string>

namespace zelto::shell {

/// The per-user settings store: one text under application, section and key.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    virtual std::string read(const std::string& app, const std::string& section,
                             const std::string& key, const std::string& fallback) = 0;
    virtual void write(const std::string& app, const std::string& section, const std::string& key,
                       const std::string& value) = 0;
};

/// QSettings in the user's configuration folder (~/.config/<app>/<app>.conf).
class QtSettingsStore : public SettingsStore {
  public:
    std::string read(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& fallback) override;
    void write(const std::string& app, const std::string& section, const std::string& key,
               const std::string& value) override;
};

/// A store in memory, for tests and for runs that must leave the user's settings alone.
class MemorySettingsStore : public SettingsStore {
  public:
    std::string read(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& fallback) override {
        auto it = values.find(app + "/" + section + "/" + key);
        return it == values.end() ? fallback : it->second;
    }
    void write(const std::string& app, const std::string& section, const std::string& key,
               const std::string& value) override {
        values[app + "/" + section + "/" + key] = value;
    }
    std::map<std::string, std::string> values;
};

}  // namespace zelto::shell
