// The user profiles of the machine, by security identifier, for writing to every user's hive.
#pragma once

#include "core/string.hpp"
#include "core/vector.hpp"

namespace valdorine {

// The subkeys of the local machine's ProfileList key; when that key cannot be opened, the hives
// below HKEY_USERS that are user profiles (ProfileHivesAmong).
Array<String> ListUserProfiles();

// Of the subkey names of HKEY_USERS, those that are user profiles: all but ".DEFAULT" and the
// "_Classes" hives (compared ignoring case).
Array<String> ProfileHivesAmong(const Array<String>& hive_names);

// Of ListUserProfiles, those whose hive below HKEY_USERS is loaded now (only those can be opened).
Array<String> LoadedUserHives();

}  // namespace valdorine
