#pragma once

#include "XSession.h"

#include <functional>
#include <optional>
#include <string>

namespace bench {

class LatencyTable;
class ViewerProcess;

// The steps of one run on a freshly started viewer, each timed from its input to the
// last drawing it causes: the file list's arrow keys, clicks on rows far from the
// selection, the full-screen viewer's Right and Left keys and its NEXT and PREV buttons,
// and the memory held.
class ScreenSteps
{
public:
    ScreenSteps(XSession &session, ViewerProcess &viewer, LatencyTable &table, int run);

    void setSettle(Milliseconds settle) { m_settle = settle; }
    void setFolder(const std::string &folder) { m_folder = folder; }
    void setShots(const std::string &folder) { m_shots = folder; }
    void setVerbose(bool verbose) { m_verbose = verbose; } // each step's times on stderr

    void run(int repeat);

private:
    struct Band
    {
        int top = 0, height = 0;
    };

    void waitForMainWindow();
    void arrowKeysInList(int repeat);
    void farClicks(int repeat);
    void viewerSteps();
    void viewerButtons();
    std::optional<int> arrowsRow(); // the screen row through the viewer's arrow buttons
    // A step in the viewer, which must change the picture shown.
    void viewerStep(const std::string &scenario, const std::function<void()> &input);

    // Waits for the next step's second, sends the input and records its time.
    // The step ends with the last drawing before a quiet settle time, once done() holds.
    void measure(const std::string &scenario, const Rect &watched,
        const std::function<void()> &input, const std::function<bool()> &done = {});
    void pause(Milliseconds length);
    // The selected row of the file list on the screen, by its highlight.
    std::optional<Band> selectedBand();
    Rect rowRect(int row) const; // with the list scrolled to its top
    void clickAt(int x, int y);
    void shoot(const std::string &name);
    std::string photo(int row) const;

    XSession &m_session;
    ViewerProcess &m_viewer;
    LatencyTable &m_table;
    int m_run;
    Milliseconds m_settle { 150 };
    std::string m_folder, m_shots;
    Rect m_window, m_preview, m_list;
    Band m_firstRow;
    int m_rowPitch = 0;
    bool m_verbose = false;
    Clock::time_point m_nextStep = Clock::now();
};

} // namespace bench
