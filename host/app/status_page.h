#pragma once

#include <map>
#include <optional>
#include <string>

// A mount's entry on an Icecast server's public status page
// (status-json.xsl): each scalar member as text (numbers as written). None
// when the page is no JSON (icecast 2.4 can send a broken page right after it
// starts: ask again) or lists no source on the mount.
std::optional<std::map<std::string, std::string>> MountEntryInStatusPage(const std::string& json,
                                                                         const std::string& mount);
