#pragma once

#include "ui/WindowMakers.h"

// The maker of the whois window; its result window is its own to make.
WindowMakers whoisWindowMakers();
