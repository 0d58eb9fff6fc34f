#pragma once

// A window's frames, driven from the main loop: a frame is drawn only when the window would show
// something it did not (the compositor's needsFrame, or input that reached the window), at most
// once per frame period; otherwise the main loop sleeps until work, a timer, a change or input
// wakes it. The program's window loop turns it; tests turn it with a manual clock.

#include <functional>

namespace platform::ui {

class Compositor;
class Window;

class FrameLoop {
  public:
    // `draw` draws the window and shows it (the compositor's drawFrame, the context's present).
    FrameLoop(Window& window, Compositor& compositor, std::function<void()> draw,
              double periodSeconds);

    // Input or a window event arrived: the next frame is drawn even if no view changed (a
    // window uncovered, a pointer that steers the game).
    void noteInput() { input_ = true; }
    bool frameWanted() const;

    // One turn: runs the main loop's due work, sleeping first when nothing is: until the next
    // frame's time when one is wanted, else up to `longestSleep` seconds (less when a timer is
    // due sooner; posted work, wake() and display changes end it early). Then draws if a frame
    // is wanted and its time has come. Answers whether it drew.
    bool turn(double longestSleep);
    // Draws now, whatever changed (a picture of the window is wanted).
    void draw();

    long framesDrawn() const { return frames_; }

  private:
    Window& window_;
    Compositor& compositor_;
    std::function<void()> draw_;
    double period_;
    double nextFrame_ = 0;
    bool input_ = false;
    long frames_ = 0;
};

}  // namespace platform::ui
