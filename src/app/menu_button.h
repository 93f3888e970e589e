// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#pragma once

#include <QPushButton>

// A menu button drawn in its own colours: a light blue face with a raised edge, sunk while
// pressed and white while it has the focus, with a dotted frame once keys are in use. Painted
// here rather than through a style sheet, which made Qt build its style-sheet machinery at
// every start.
class MenuButton : public QPushButton {
    Q_OBJECT

public:
    static constexpr int kEdgeWidth = 2;  // the raised edge; the caption is drawn inside it

    MenuButton(const QString& caption, QWidget* parent);

    // From the first key on, the focused button shows the dotted frame; a mouse user is spared
    // it, as on classic desktops.
    void showFocusFrame();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    bool m_focusFrame = false;
};
