// The filter's panels in the video editors that run it through MLT, made from the frei0r
// parameter table (Frei0rParams): Kdenlive's effect description (an XML file in its
// effects folder) and Shotcut's filter folder (meta.qml and ui.qml).  Both set the
// parameters by their frei0r names and show them in the effect's own units.
#pragma once
#include <string>
#include <vector>

#include "frei0r/Frei0rParams.h"

namespace tonedot::frei0r {

struct PanelIdentity {
    std::string name, summary, maker;
};

// Kdenlive's description of the effect frei0r.tonedot: every parameter, popups as
// drop-downs with their choices, numbers in their units and ranges, colours, the preset as
// a file field; the group a parameter sits in is named in its comment.
std::string KdenliveEffect(const std::vector<Frei0rParam>& params, const PanelIdentity& identity);

// The parameters Shotcut's panel shows: those outside every group of the effect, the first
// effector's group, and the filter's Preset, Frame Rate, Start Frame and Relative Sizes.
std::vector<const Frei0rParam*> ShotcutParams(const std::vector<Frei0rParam>& params);

// Shotcut's meta.qml and ui.qml of the filter.  Values the user has not touched are left
// unset, so that the preset's values hold.
std::string ShotcutMeta(const PanelIdentity& identity);
std::string ShotcutUi(const std::vector<Frei0rParam>& params);

}  // namespace tonedot::frei0r
