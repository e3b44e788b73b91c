// The product's name, which every layer shows: the window, the message boxes,
// the links and the uninstall entry.
#pragma once

constexpr wchar_t product_name[] = L"Gloam Reef Voduze PC Viru";
