#pragma once

// "Browse Group Lists": the paged browse list of every group, in name order
// without regard to letter case, with its Insert, Change, Delete and Select
// buttons. Insert, Change and Delete call the group form UPDATEGROUP2.

#include "ui/pagedbrowse.h"

#include <memory>

class QString;
class QWidget;

namespace korvalen {

class AppContext;
class BrowseWindow;

// The list's description: GROUP on GRO:GROUP_KEY, the column "Group List",
// GROUPPEOPLE opened beside it, the group form as its update form.
BrowseConfig groupListConfig(AppContext &context);

// Builds the window for `request` (4 opens it to choose a group) and fills
// its list. Registers UPDATEGROUP2 in the procedure table unless
// the table already holds one (a test's scripted form, say). Returns nullptr
// when the list could not be opened (its warning has been shown).
std::unique_ptr<BrowseWindow> makeGroupList(AppContext &context, int request = 0);

// BROWSEGROUPS as an independent window: the window, not yet shown, deleted
// when it closes; nullptr when the list could not be opened.
QWidget *BROWSEGROUPS(AppContext &context);

// BROWSEGROUPS called to choose a group (global request 4): runs the window
// modally. A completed response leaves the chosen group in the GROUP buffer;
// otherwise the response is cancelled.
void selectGroupList(AppContext &context);

// Draws the group list over the data as it stands off screen and saves it as
// a PNG at `png`. True when the file was written.
bool renderGroupList(AppContext &context, const QString &png);

} // namespace korvalen
