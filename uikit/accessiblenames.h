#pragma once
// What a screen reader hears on the wizard's pages. The mini-HTML labels
// read as their visible text (a label with a link as a link), and a control
// that shows no text of its own (the radios, the agreement box, the lists,
// combos, edits and sliders, whose captions are labels beside them) takes
// the text of its caption: the nearest visible label on its left in the
// same row, else the nearest one above it - the rule screen readers apply
// to unlabelled controls. Names a page gives itself are kept.
class QWidget;

namespace sp {

// Makes the labels' accessible interfaces; once per application, before
// the first window.
void InstallAccessibleLabels();

// Names the unnamed controls of `page` from their captions as they are
// now. The labels call it (deferred) for their page when their text or
// visibility changes.
void NameControlsFromCaptions(QWidget* page);

// The same, once, after the events in hand: many label changes in a row
// name the page's controls once.
void ScheduleNamingControls(QWidget* page);

}  // namespace sp
