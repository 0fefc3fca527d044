// Programs made ready on a second thread. A software renderer (Mesa's llvmpipe) turns a
// program into machine code at its first draw, which takes 60 to 250 ms per program: on the
// frame thread that is a visible stall. Where the platform can give a second thread a context
// that shares the player's objects, that thread builds every program the show's plans use and
// draws each once, with the GL state and texture formats its pass draws with, into a
// framebuffer of the frame's formats. Mesa keeps the machine code in its shader cache, so the
// frame thread's own first draw of the program then loads it instead of compiling it.
//
// While the worker runs, the frame thread draws a program for the first time only once the
// worker has made it ready (the figure meanwhile draws with its general program), unless the
// show needs it within two beats; a program the worker is still building is then waited for.
// Without a worker (the Windows player, the GL tests) every program is built on the frame
// thread as before. The pixels are the same either way.
#pragma once
#include <stdint.h>

// Frame thread, after the plans exist (render_init_late) and before the platform starts the
// worker: the programs are to be made ready elsewhere, for frames of w x h pixels.
void program_worker_expect(int32_t w, int32_t h);
// Whether a worker is expected or running (frame thread).
bool program_worker_expected();

// The worker thread's job, with a context current that shares the player's objects and a
// framebuffer bound whose colour and depth formats are those the frames are drawn into.
// Returns when every planned program is ready, or soon after program_worker_stop.
void program_worker_run();
// The worker thread could not make its context current: the frame thread builds everything.
void program_worker_failed();
// Asks program_worker_run to return after the program it is on (any thread).
void program_worker_stop();

// How far a program's build has come, shared by the two threads: a thread builds a program
// only after taking it from unbuilt to building, and publishes it as built when done. Plain
// bytes in the program tables, read and written atomically through these (a table of
// std::atomic would need a constructor run at start-up, which the Windows player has not).
#include <atomic>
enum : uint8_t { program_unbuilt, program_building, program_built };
inline uint8_t program_state(uint8_t& state) { return std::atomic_ref<uint8_t>(state).load(std::memory_order_acquire); }
inline bool take_program_build(uint8_t& state) {
    uint8_t unbuilt = program_unbuilt;
    return std::atomic_ref<uint8_t>(state).compare_exchange_strong(unbuilt, program_building,
                                                                   std::memory_order_acquire);
}
inline void publish_program(uint8_t& state) {
    std::atomic_ref<uint8_t>(state).store(program_built, std::memory_order_release);
}
inline void wait_program_built(uint8_t& state) {
    while (program_state(state) != program_built) {
    }
}
