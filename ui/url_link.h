#pragma once

// The decisions of the hyperlink control that need no window: what it opens, when a link counts as visited, its
// colours, and which static controls it colours at all.

#include <cstdint>
#include <string>

// Colours as COLORREF values (0x00BBGGRR).
constexpr uint32_t kLinkColourUnvisited = 0x00008000;  // RGB(0, 128, 0), green
constexpr uint32_t kLinkColourVisited = 0x000000FF;    // RGB(255, 0, 0), red

// The colour kind of a static control's colour request (CTLCOLOR_STATIC).
constexpr uint32_t kColourKindStatic = 6;

// The style bit that makes a static control report clicks and answer the mouse-cursor query (SS_NOTIFY).
constexpr uint32_t kStaticNotifyStyle = 0x0100;

// The link's text colour.
uint32_t LinkTextColour(bool bVisited);

// Whether the link colours itself for a colour request: only for the static kind, and only while the low byte of
// its style is 0, 1 or 2 (left, centred or right text with no other bit of that byte set).
bool LinkColoursItself(uint32_t nColourKind, uint32_t dwStyle);

// What a click opens: the link's target, or the control's own text when the target is empty.
std::u16string LinkTarget(const std::u16string& strUrl, const std::u16string& strControlText);

// The target of an e-mail link: "mailto:" followed by the address.
std::u16string MailLinkTarget(const std::u16string& strAddress);

// Whether the shell's answer to the "open" verb means success: a value above 32.
bool ShellOpenSucceeded(intptr_t nResult);
