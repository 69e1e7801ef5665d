// What the host answers when the core calls: its environment questions, the picture, the
// sound, the buttons and its log.
#include "CoreCallbacks.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace krelin {

namespace {

thread_local CoreHost *calling = nullptr;

// The frontend speaks version 2 of the options interface: definitions with categories.
constexpr unsigned OptionsVersion = 2;

// Both generations of option definitions: a key, a description, the values, the default;
// the list ends with a definition without a key.
template<typename Definition>
void DeclareOptions(CoreOptions &options, const Definition *definitions)
{
    for (const Definition *d = definitions; d && d->key; ++d) {
        CoreOptions::Option option{d->key, d->desc ? d->desc : "", {}, d->default_value ? d->default_value : ""};
        for (const retro_core_option_value *v = d->values; v < d->values + RETRO_NUM_CORE_OPTION_VALUES_MAX && v->value; ++v)
            option.values.emplace_back(v->value);
        options.declare(std::move(option));
    }
}

} // namespace

CoreCallbacks::Calling::Calling(CoreHost *host) : previous(calling)
{
    calling = host;
}

CoreCallbacks::Calling::~Calling()
{
    calling = previous;
}

CoreHost *CoreCallbacks::current()
{
    return calling;
}

bool CoreCallbacks::environment(unsigned command, void *data)
{
    CoreHost *host = calling;
    if (!host)
        return false;
    switch (command) {
    case RETRO_ENVIRONMENT_GET_OVERSCAN:
    case RETRO_ENVIRONMENT_GET_CAN_DUPE:
    case RETRO_ENVIRONMENT_GET_INPUT_BITMASKS:
        if (data)
            *static_cast<bool *>(data) = true;
        return true;
    case RETRO_ENVIRONMENT_GET_FASTFORWARDING:
        if (data)
            *static_cast<bool *>(data) = false;
        return true;
    case RETRO_ENVIRONMENT_SET_PIXEL_FORMAT: {
        const auto format = *static_cast<const retro_pixel_format *>(data);
        if (format != RETRO_PIXEL_FORMAT_0RGB1555 && format != RETRO_PIXEL_FORMAT_XRGB8888
            && format != RETRO_PIXEL_FORMAT_RGB565)
            return false;
        host->pixelFormat = int(format);
        return true;
    }
    case RETRO_ENVIRONMENT_GET_SYSTEM_DIRECTORY:
        *static_cast<const char **>(data) = host->systemFolderText.constData();
        return true;
    case RETRO_ENVIRONMENT_GET_SAVE_DIRECTORY:
        *static_cast<const char **>(data) = host->saveFolderText.constData();
        return true;
    case RETRO_ENVIRONMENT_GET_LIBRETRO_PATH:
        *static_cast<const char **>(data) = host->corePathText.constData();
        return true;
    case RETRO_ENVIRONMENT_GET_LOG_INTERFACE:
        static_cast<retro_log_callback *>(data)->log = &CoreCallbacks::log;
        return true;
    case RETRO_ENVIRONMENT_SET_MESSAGE: {
        const auto *message = static_cast<const retro_message *>(data);
        if (message && message->msg)
            host->note(QString::fromUtf8(message->msg), false);
        return true;
    }
    case RETRO_ENVIRONMENT_SET_MESSAGE_EXT: {
        const auto *message = static_cast<const retro_message_ext *>(data);
        if (message && message->msg)
            host->note(QString::fromUtf8(message->msg), message->level >= RETRO_LOG_WARN);
        return true;
    }
    case RETRO_ENVIRONMENT_GET_MESSAGE_INTERFACE_VERSION:
        *static_cast<unsigned *>(data) = 1;
        return true;
    case RETRO_ENVIRONMENT_GET_CORE_OPTIONS_VERSION:
        *static_cast<unsigned *>(data) = OptionsVersion;
        return true;
    case RETRO_ENVIRONMENT_SET_VARIABLES:
        for (const auto *v = static_cast<const retro_variable *>(data); v && v->key; ++v)
            host->coreOptions.declareLegacy(v->key, v->value);
        return true;
    case RETRO_ENVIRONMENT_SET_CORE_OPTIONS:
        DeclareOptions(host->coreOptions, static_cast<const retro_core_option_definition *>(data));
        return true;
    case RETRO_ENVIRONMENT_SET_CORE_OPTIONS_INTL:
        DeclareOptions(host->coreOptions, static_cast<const retro_core_options_intl *>(data)->us);
        return true;
    case RETRO_ENVIRONMENT_SET_CORE_OPTIONS_V2:
        if (const auto *set = static_cast<const retro_core_options_v2 *>(data))
            DeclareOptions(host->coreOptions, set->definitions);
        return true;
    case RETRO_ENVIRONMENT_SET_CORE_OPTIONS_V2_INTL:
        if (const auto *set = static_cast<const retro_core_options_v2_intl *>(data)->us)
            DeclareOptions(host->coreOptions, set->definitions);
        return true;
    case RETRO_ENVIRONMENT_GET_VARIABLE: {
        auto *variable = static_cast<retro_variable *>(data);
        variable->value = host->coreOptions.value(variable->key);
        return variable->value != nullptr;
    }
    case RETRO_ENVIRONMENT_SET_VARIABLE: {
        const auto *variable = static_cast<const retro_variable *>(data);
        if (!variable) // the core asks whether it may
            return true;
        host->coreOptions.setFromCore(variable->key, variable->value);
        return true;
    }
    case RETRO_ENVIRONMENT_GET_VARIABLE_UPDATE:
        *static_cast<bool *>(data) = host->coreOptions.takeChange();
        return true;
    case RETRO_ENVIRONMENT_SET_SYSTEM_AV_INFO: {
        const auto *info = static_cast<const retro_system_av_info *>(data);
        host->fps = info->timing.fps;
        host->audioRate = info->timing.sample_rate;
        return true;
    }
    case RETRO_ENVIRONMENT_GET_LANGUAGE:
        *static_cast<unsigned *>(data) = RETRO_LANGUAGE_ENGLISH;
        return true;
    case RETRO_ENVIRONMENT_GET_AUDIO_VIDEO_ENABLE:
        *static_cast<int *>(data) = 1 | 2; // both are wanted
        return true;
    case RETRO_ENVIRONMENT_GET_INPUT_MAX_USERS:
        *static_cast<unsigned *>(data) = 1;
        return true;
    case RETRO_ENVIRONMENT_GET_SAVESTATE_CONTEXT:
        *static_cast<int *>(data) = RETRO_SAVESTATE_CONTEXT_NORMAL;
        return true;
    case RETRO_ENVIRONMENT_SHUTDOWN:
        host->note(QStringLiteral("The core asked to be shut down."), false);
        return true;
    // Told, and nothing to do about it.
    case RETRO_ENVIRONMENT_SET_GEOMETRY:
    case RETRO_ENVIRONMENT_SET_PERFORMANCE_LEVEL:
    case RETRO_ENVIRONMENT_SET_INPUT_DESCRIPTORS:
    case RETRO_ENVIRONMENT_SET_CONTROLLER_INFO:
    case RETRO_ENVIRONMENT_SET_SUBSYSTEM_INFO:
    case RETRO_ENVIRONMENT_SET_MEMORY_MAPS:
    case RETRO_ENVIRONMENT_SET_SUPPORT_ACHIEVEMENTS:
    case RETRO_ENVIRONMENT_SET_SERIALIZATION_QUIRKS:
    case RETRO_ENVIRONMENT_SET_CORE_OPTIONS_DISPLAY:
    case RETRO_ENVIRONMENT_SET_CONTENT_INFO_OVERRIDE:
    case RETRO_ENVIRONMENT_SET_SUPPORT_NO_GAME:
        return true;
    default:
        // Everything else (hardware rendering, cameras, rumble, a file system of the
        // frontend's ...) this frontend does not offer.
        return false;
    }
}

void CoreCallbacks::videoRefresh(const void *data, unsigned width, unsigned height, std::size_t pitch)
{
    if (calling && data && data != RETRO_HW_FRAME_BUFFER_VALID)
        calling->takePicture(data, width, height, pitch);
}

void CoreCallbacks::audioSample(std::int16_t left, std::int16_t right)
{
    if (calling) {
        calling->frameAudio.push_back(left);
        calling->frameAudio.push_back(right);
    }
}

std::size_t CoreCallbacks::audioSampleBatch(const std::int16_t *data, std::size_t frames)
{
    if (calling && data)
        calling->frameAudio.insert(calling->frameAudio.end(), data, data + 2 * frames);
    return frames;
}

void CoreCallbacks::inputPoll() {}

std::int16_t CoreCallbacks::inputState(unsigned port, unsigned device, unsigned, unsigned id)
{
    if (!calling || port != 0 || (device & RETRO_DEVICE_MASK) != RETRO_DEVICE_JOYPAD)
        return 0;
    if (id == RETRO_DEVICE_ID_JOYPAD_MASK)
        return std::int16_t(calling->held);
    return id < 16 && (calling->held >> id) & 1 ? 1 : 0;
}

void CoreCallbacks::log(retro_log_level level, const char *format, ...)
{
    if (!calling || !format)
        return;
    char text[1024];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    const QString line = QString::fromUtf8(text).trimmed();
    if (line.isEmpty())
        return;
    calling->note(line, level >= RETRO_LOG_WARN);
    if (level >= RETRO_LOG_ERROR)
        calling->lastError = line;
}

} // namespace krelin
