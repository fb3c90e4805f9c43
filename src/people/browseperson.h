#pragma once

// The window "Browse People": the paged browse list of every person in
// short-name order, from which people are added, changed and deleted, or
// one person is chosen for a caller.

#include "ui/pagedbrowse.h"

class QString;
class QWidget;

namespace korvalen {

class AppContext;

// The people list as the window shows it (file, key, columns, form, texts).
BrowseConfig peopleListConfig(AppContext &context);

// The independent procedure: makes the window for the global request (4
// opens it for choosing a person: the Select button shows and the list opens
// at the person in the PEOPLE buffer) and returns it, not yet shown; nullptr
// when the list could not be opened. The window deletes itself on closing
// and leaves the global response (1 after Select, else 2) and, after Select,
// the chosen person in the PEOPLE buffer.
QWidget *BROWSEPERSON(AppContext &context);

// For callers that wait for the choice: runs the list modally with the
// select request; returns the response (1 completed, 2 cancelled).
int choosePerson(AppContext &context);

// Draws the people list, with a few sample people added to an empty PEOPLE
// file of the context's data folder, into `png`. False when it failed.
bool renderPeopleList(AppContext &context, const QString &png);

} // namespace korvalen
