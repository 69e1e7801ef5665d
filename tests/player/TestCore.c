/* A tiny libretro core for the host's tests. Its picture shows what it was given: pixel i
 * is 0xRRGGBB with RR byte i of the image (repeated), GG the frames run (or 0 with the
 * option test_core_green set to "zero") and BB the buttons held. Each frame gives 100
 * stereo samples of the frame count. Its state is the frame count and the buttons, behind
 * a mark of its own, and the size of the image it was saved with: a state saved with an
 * image of another size is refused, as a real core refuses one. An image starting with 'X'
 * is refused with a word why.
 *
 * Built several times, each build a core that goes wrong in one way:
 *   TEST_CORE_API_VERSION=n  speaks another version of the interface
 *   TEST_CORE_NEEDS_FILE     reads images only from files
 *   TEST_CORE_NO_RUN         lacks retro_run: not a libretro core
 *   TEST_CORE_565            gives its picture as RGB565
 *   TEST_CORE_CRASHES        crashes in its frame
 *   TEST_CORE_HANGS          never returns from its frame
 *   TEST_CORE_FORKS          starts a helper process as it loads an image (its process id
 *                            written to the file $TEST_CORE_HELPER_FILE names), which
 *                            keeps every socket of the player's; once the player has gone
 *                            it trickles bytes into them, a message that never ends, for
 *                            up to 30 seconds. With $TEST_CORE_EXIT_FRAME set, the player's
 *                            process ends (status 3) in that frame.
 *   TEST_CORE_SHOWN_FROM=n   shows the image from byte n on
 *   TEST_CORE_FPS=x          gives x frames a second
 */
#include <libretro.h>

#include <math.h>

#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/socket.h>
#include <unistd.h>

#ifndef TEST_CORE_API_VERSION
#define TEST_CORE_API_VERSION RETRO_API_VERSION
#endif

#ifndef TEST_CORE_FPS
#define TEST_CORE_FPS 50.0
#endif

#ifndef TEST_CORE_SHOWN_FROM
#define TEST_CORE_SHOWN_FROM 0
#endif

enum { Width = 16, Height = 8, MaxImage = 1 << 20, Samples = 100 };

static retro_environment_t environment;
static retro_video_refresh_t video;
static retro_audio_sample_batch_t audio;
static retro_input_poll_t poll_input;
static retro_input_state_t input;
static retro_log_printf_t say;

static unsigned char image[MaxImage];
static size_t image_size;
static int green_zero;

static struct
{
    char mark[4];
    uint32_t image_size;
    uint32_t frames;
    uint16_t buttons;
} state;

static struct retro_core_option_v2_definition definitions[] = {
    {"test_core_green", "Green", NULL, "What green shows", NULL, NULL,
     {{"frames", NULL}, {"zero", NULL}, {NULL, NULL}}, "frames"},
    {NULL, NULL, NULL, NULL, NULL, NULL, {{NULL, NULL}}, NULL},
};
static struct retro_core_options_v2 options = {NULL, definitions};
static struct retro_variable legacy[] = {{"test_core_green", "Green; frames|zero"}, {NULL, NULL}};

static void read_options(void)
{
    struct retro_variable variable = {"test_core_green", NULL};
    if (environment(RETRO_ENVIRONMENT_GET_VARIABLE, &variable) && variable.value)
        green_zero = strcmp(variable.value, "zero") == 0;
}

RETRO_API unsigned retro_api_version(void) { return TEST_CORE_API_VERSION; }

RETRO_API void retro_set_environment(retro_environment_t callback)
{
    unsigned version = 0;
    environment = callback;
    if (environment(RETRO_ENVIRONMENT_GET_CORE_OPTIONS_VERSION, &version) && version >= 2)
        environment(RETRO_ENVIRONMENT_SET_CORE_OPTIONS_V2, &options);
    else
        environment(RETRO_ENVIRONMENT_SET_VARIABLES, legacy);
}

RETRO_API void retro_set_video_refresh(retro_video_refresh_t callback) { video = callback; }
RETRO_API void retro_set_audio_sample(retro_audio_sample_t callback) { (void)callback; }
RETRO_API void retro_set_audio_sample_batch(retro_audio_sample_batch_t callback) { audio = callback; }
RETRO_API void retro_set_input_poll(retro_input_poll_t callback) { poll_input = callback; }
RETRO_API void retro_set_input_state(retro_input_state_t callback) { input = callback; }
RETRO_API void retro_set_controller_port_device(unsigned port, unsigned device) { (void)port; (void)device; }

RETRO_API void retro_init(void)
{
    struct retro_log_callback log;
    say = environment(RETRO_ENVIRONMENT_GET_LOG_INTERFACE, &log) ? log.log : NULL;
}

RETRO_API void retro_deinit(void) {}

RETRO_API void retro_get_system_info(struct retro_system_info *info)
{
    memset(info, 0, sizeof *info);
    info->library_name = "Test core";
    info->library_version = "1.0";
    info->valid_extensions = "nes";
#ifdef TEST_CORE_NEEDS_FILE
    info->need_fullpath = true;
#endif
}

RETRO_API void retro_get_system_av_info(struct retro_system_av_info *info)
{
    memset(info, 0, sizeof *info);
    info->timing.fps = TEST_CORE_FPS;
    info->timing.sample_rate = 32000.0;
    info->geometry.base_width = info->geometry.max_width = Width;
    info->geometry.base_height = info->geometry.max_height = Height;
}

#ifdef TEST_CORE_FORKS
static void trickle(pid_t player)
{
    const char header[] = {0, 0, 0, 1}; /* a message of 16 MiB, which never comes whole */
    const char *file = getenv("TEST_CORE_HELPER_FILE");
    int fd, second;
    if (file) {
        FILE *out = fopen(file, "w");
        if (out) {
            fprintf(out, "%d\n", (int)getpid());
            fclose(out);
        }
    }
    for (second = 0; second < 30 * 100 && getppid() == player; ++second)
        usleep(10000);
    for (fd = 3; fd < 256; ++fd) {
        struct stat info;
        if (fstat(fd, &info) == 0 && S_ISSOCK(info.st_mode))
            send(fd, header, sizeof header, MSG_NOSIGNAL);
    }
    for (; second < 30 * 100; second += 2) {
        for (fd = 3; fd < 256; ++fd)
            send(fd, "x", 1, MSG_NOSIGNAL | MSG_DONTWAIT);
        usleep(20000);
    }
    _exit(0);
}
#endif

RETRO_API bool retro_load_game(const struct retro_game_info *game)
{
#ifdef TEST_CORE_565
    enum retro_pixel_format format = RETRO_PIXEL_FORMAT_RGB565;
#else
    enum retro_pixel_format format = RETRO_PIXEL_FORMAT_XRGB8888;
#endif
    if (!game || !game->data || game->size == 0)
        return false;
    if (((const unsigned char *)game->data)[0] == 'X') {
        if (say)
            say(RETRO_LOG_ERROR, "the image is damaged\n");
        return false;
    }
#ifdef TEST_CORE_FORKS
    {
        const pid_t player = getpid();
        if (fork() == 0)
            trickle(player);
    }
#endif
    image_size = game->size < MaxImage ? game->size : MaxImage;
    memcpy(image, game->data, image_size);
    memcpy(state.mark, "TEST", 4);
    state.image_size = (uint32_t)game->size;
    state.frames = 0;
    state.buttons = 0;
    read_options();
    return environment(RETRO_ENVIRONMENT_SET_PIXEL_FORMAT, &format);
}

RETRO_API bool retro_load_game_special(unsigned type, const struct retro_game_info *info, size_t count)
{
    (void)type, (void)info, (void)count;
    return false;
}

RETRO_API void retro_unload_game(void) { image_size = 0; }
RETRO_API void retro_reset(void) { state.frames = 0; }
RETRO_API unsigned retro_get_region(void) { return RETRO_REGION_NTSC; }

#ifndef TEST_CORE_NO_RUN
RETRO_API void retro_run(void)
{
    static uint32_t pixels[Width * Height];
    static int16_t samples[2 * Samples];
    bool changed = false;
    unsigned id;
#ifdef TEST_CORE_CRASHES
    raise(SIGSEGV);
#endif
#ifdef TEST_CORE_HANGS
    for (;;)
        sleep(1);
#endif
    if (environment(RETRO_ENVIRONMENT_GET_VARIABLE_UPDATE, &changed) && changed)
        read_options();
    poll_input();
    state.buttons = 0;
    for (id = 0; id < 16; ++id)
        if (input(0, RETRO_DEVICE_JOYPAD, 0, id))
            state.buttons |= (uint16_t)(1u << id);
    ++state.frames;
#ifdef TEST_CORE_FORKS
    if (getenv("TEST_CORE_EXIT_FRAME") && state.frames == (uint32_t)atoi(getenv("TEST_CORE_EXIT_FRAME")))
        _exit(3);
#endif
    for (unsigned i = 0; i < Width * Height; ++i) {
        const uint32_t red = image_size ? image[(TEST_CORE_SHOWN_FROM + i) % image_size] : 0;
        const uint32_t green = green_zero ? 0 : state.frames & 0xFF;
#ifdef TEST_CORE_565
        ((uint16_t *)pixels)[i] = (uint16_t)((red >> 3) << 11 | (green >> 2) << 5 | (state.buttons & 0x1F));
#else
        pixels[i] = red << 16 | green << 8 | (state.buttons & 0xFF);
#endif
    }
    for (unsigned i = 0; i < 2 * Samples; ++i)
        samples[i] = (int16_t)state.frames;
#ifdef TEST_CORE_565
    video(pixels, Width, Height, Width * 2);
#else
    video(pixels, Width, Height, Width * 4);
#endif
    audio(samples, Samples);
}
#endif

RETRO_API size_t retro_serialize_size(void) { return sizeof state; }

RETRO_API bool retro_serialize(void *data, size_t size)
{
    if (size < sizeof state)
        return false;
    memcpy(data, &state, sizeof state);
    return true;
}

RETRO_API bool retro_unserialize(const void *data, size_t size)
{
    uint32_t saved_size;
    if (size != sizeof state || memcmp(data, "TEST", 4) != 0) {
        if (say)
            say(RETRO_LOG_ERROR, "not a state of mine\n");
        return false;
    }
    memcpy(&saved_size, (const char *)data + 4, sizeof saved_size);
    if (saved_size != state.image_size) {
        if (say)
            say(RETRO_LOG_ERROR, "the state belongs to an image of another size\n");
        return false;
    }
    memcpy(&state, data, sizeof state);
    return true;
}

RETRO_API void retro_cheat_reset(void) {}
RETRO_API void retro_cheat_set(unsigned index, bool enabled, const char *code) { (void)index, (void)enabled, (void)code; }
RETRO_API void *retro_get_memory_data(unsigned id) { (void)id; return NULL; }
RETRO_API size_t retro_get_memory_size(unsigned id) { (void)id; return 0; }
