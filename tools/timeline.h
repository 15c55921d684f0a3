// A scenario as a picture: one self-contained SVG timeline with what the
// user holds, what each host window believes is held, and every message,
// telling swallowed input, passed-on input and synthetic messages apart.
#pragma once

#include <string>
#include <vector>

#include "scenario.h"

std::string timelineSvg(const scenario::Scenario& scenario, const std::vector<scenario::TracedAction>& actions);
