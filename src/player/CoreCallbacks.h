#pragma once

// Inside the host: the core library's entry points and the functions it calls back.

#include "CoreHost.h"

#include <libretro.h>

namespace krelin {

// The entry points every libretro core exports.
struct CoreApi
{
    void (*init)();
    void (*deinit)();
    unsigned (*apiVersion)();
    void (*getSystemInfo)(retro_system_info *);
    void (*getAvInfo)(retro_system_av_info *);
    void (*setEnvironment)(retro_environment_t);
    void (*setVideoRefresh)(retro_video_refresh_t);
    void (*setAudioSample)(retro_audio_sample_t);
    void (*setAudioSampleBatch)(retro_audio_sample_batch_t);
    void (*setInputPoll)(retro_input_poll_t);
    void (*setInputState)(retro_input_state_t);
    void (*setControllerPortDevice)(unsigned, unsigned);
    void (*reset)();
    void (*run)();
    std::size_t (*serializeSize)();
    bool (*serialize)(void *, std::size_t);
    bool (*unserialize)(const void *, std::size_t);
    bool (*loadGame)(const retro_game_info *);
    void (*unloadGame)();
};

// The functions the core calls. libretro's callbacks carry no pointer of the frontend's, so
// they reach the host that is calling into the core at the time: every call into a core
// goes through a Calling guard.
struct CoreCallbacks
{
    class Calling
    {
    public:
        explicit Calling(CoreHost *host);
        ~Calling();
        Calling(const Calling &) = delete;
        Calling &operator=(const Calling &) = delete;

    private:
        CoreHost *previous;
    };

    static bool environment(unsigned command, void *data);
    static void videoRefresh(const void *data, unsigned width, unsigned height, std::size_t pitch);
    static void audioSample(std::int16_t left, std::int16_t right);
    static std::size_t audioSampleBatch(const std::int16_t *data, std::size_t frames);
    static void inputPoll();
    static std::int16_t inputState(unsigned port, unsigned device, unsigned index, unsigned id);
    static void log(retro_log_level level, const char *format, ...);

    static CoreHost *current();
};

} // namespace krelin
