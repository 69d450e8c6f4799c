#pragma once

// A DLL that stands in for one Windows loads by its plain name: loaded, it leaves this event behind in the
// process that loaded it, for as long as that process lives.
inline constexpr char kPlantedDllLoaded[] = "CorvelTestPlantedDllLoaded";
