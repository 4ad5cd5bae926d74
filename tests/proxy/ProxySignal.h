// The named event through which a test tells the device-loss proxy to take the
// next step of a loss: the first signal loses the device, the second lets it be
// reset.
#pragma once

const wchar_t PROXY_SIGNAL[] = L"kelvane-proxy-device-loss";
