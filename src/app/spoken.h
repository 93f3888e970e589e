// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#pragma once

class QLabel;
class QWidget;

// Roles that make Orca speak the talk. Qt 6.4 sends no usable name changes, so Orca hears
// a line when the speech area (a button: Space and Enter advance the talk) takes focus,
// when focus moves into the menu (a group that the speech area labels: the last line, then
// that the menu is back), or else when `notice`, a notification, shows again.
void giveSpokenRoles(QLabel* speech, QWidget* menu, QWidget* notice);
