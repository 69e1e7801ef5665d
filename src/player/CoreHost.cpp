#include "CoreHost.h"

#include "CoreCallbacks.h"
#include "PlayerLog.h"
#include "PrivateFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <dlfcn.h>

#include <cstring>
#include <limits>
#include <set>

namespace krelin {

namespace {

constexpr std::size_t LogLines = 100;

// The libraries of the cores running in this process. The same file opened twice is the
// same library, whose globals both would share: the second is refused.
std::set<void *> &RunningLibraries()
{
    static std::set<void *> running;
    return running;
}

template<typename Function>
bool Resolve(void *library, const char *symbol, Function &into, QString &missing)
{
    into = reinterpret_cast<Function>(dlsym(library, symbol));
    if (!into && missing.isEmpty())
        missing = QString::fromLatin1(symbol);
    return into != nullptr;
}

bool ResolveAll(void *library, CoreApi &api, QString &missing)
{
    // In the order a frontend needs them: the first one missing is named.
    Resolve(library, "retro_api_version", api.apiVersion, missing);
    Resolve(library, "retro_init", api.init, missing);
    Resolve(library, "retro_deinit", api.deinit, missing);
    Resolve(library, "retro_get_system_info", api.getSystemInfo, missing);
    Resolve(library, "retro_get_system_av_info", api.getAvInfo, missing);
    Resolve(library, "retro_set_environment", api.setEnvironment, missing);
    Resolve(library, "retro_set_video_refresh", api.setVideoRefresh, missing);
    Resolve(library, "retro_set_audio_sample", api.setAudioSample, missing);
    Resolve(library, "retro_set_audio_sample_batch", api.setAudioSampleBatch, missing);
    Resolve(library, "retro_set_input_poll", api.setInputPoll, missing);
    Resolve(library, "retro_set_input_state", api.setInputState, missing);
    Resolve(library, "retro_set_controller_port_device", api.setControllerPortDevice, missing);
    Resolve(library, "retro_reset", api.reset, missing);
    Resolve(library, "retro_run", api.run, missing);
    Resolve(library, "retro_serialize_size", api.serializeSize, missing);
    Resolve(library, "retro_serialize", api.serialize, missing);
    Resolve(library, "retro_unserialize", api.unserialize, missing);
    Resolve(library, "retro_load_game", api.loadGame, missing);
    Resolve(library, "retro_unload_game", api.unloadGame, missing);
    return missing.isEmpty();
}

QString Text(const char *text)
{
    return text ? QString::fromUtf8(text) : QString();
}

} // namespace

CoreFolders DefaultCoreFolders()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString core = QDir(data).filePath(QStringLiteral("krelin/core"));
    return {QDir(core).filePath(QStringLiteral("system")), QDir(core).filePath(QStringLiteral("saves"))};
}

std::unique_ptr<CoreHost> CoreHost::open(const QString &path, const CoreFolders &folders, QString *error)
{
    std::unique_ptr<CoreHost> host(new CoreHost);
    QString why;
    if (!host->start(path, folders, &why)) {
        if (error)
            *error = why;
        return nullptr;
    }
    return host;
}

QString CoreHost::problem(const QString &what) const
{
    return QStringLiteral("Cannot use the core %1: %2.").arg(QDir::toNativeSeparators(corePath), what);
}

QString CoreHost::refusal(const QString &what) const
{
    QString text = QStringLiteral("The core %1 refused %2").arg(QDir::toNativeSeparators(corePath), what);
    if (!lastError.isEmpty())
        text += QStringLiteral(": ") + lastError;
    if (!text.endsWith(QLatin1Char('.')))
        text += QLatin1Char('.');
    return text;
}

bool CoreHost::start(const QString &path, const CoreFolders &folders, QString *error)
{
    corePath = QFileInfo(path).absoluteFilePath();
    corePathText = QFile::encodeName(corePath);
    const QFileInfo file(corePath);
    if (!file.exists()) {
        *error = problem(QStringLiteral("the file does not exist"));
        return false;
    }
    if (!file.isFile()) {
        *error = problem(QStringLiteral("it is not a file"));
        return false;
    }
    library = dlopen(corePathText.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char *reason = dlerror();
        *error = problem(QStringLiteral("it cannot be loaded as a library (%1)").arg(Text(reason)));
        return false;
    }
    if (!RunningLibraries().insert(library).second) {
        dlclose(library);
        library = nullptr;
        *error = problem(QStringLiteral("it is already running in this program"));
        return false;
    }
    api = std::make_unique<CoreApi>();
    QString missing;
    if (!ResolveAll(library, *api, missing)) {
        *error = problem(QStringLiteral("it is not a libretro core (it has no %1)").arg(missing));
        return false;
    }
    const unsigned version = api->apiVersion();
    if (version != RETRO_API_VERSION) {
        *error = problem(QStringLiteral("it speaks version %1 of the libretro interface, and this program "
                                        "version %2")
                             .arg(version)
                             .arg(RETRO_API_VERSION));
        return false;
    }

    coreFolders = folders;
    // The saves of the user's games are the user's alone.
    for (const QString &folder : {folders.system, folders.save}) {
        if (!MakePrivateFolder(folder)) {
            *error = problem(QStringLiteral("its folder %1 cannot be made").arg(QDir::toNativeSeparators(folder)));
            return false;
        }
    }
    systemFolderText = QFile::encodeName(QDir(folders.system).absolutePath());
    saveFolderText = QFile::encodeName(QDir(folders.save).absolutePath());
    imagePathText = QFile::encodeName(QDir(folders.save).absoluteFilePath(QStringLiteral("image.nes")));

    retro_system_info info{};
    CoreCallbacks::Calling calling(this);
    api->getSystemInfo(&info);
    // Some cores pad their version ("1.52.0 " with no revision after it).
    libraryName = Text(info.library_name).simplified();
    libraryVersion = Text(info.library_version).simplified();
    needsFile = info.need_fullpath;
    api->setEnvironment(&CoreCallbacks::environment);
    api->setVideoRefresh(&CoreCallbacks::videoRefresh);
    api->setAudioSample(&CoreCallbacks::audioSample);
    api->setAudioSampleBatch(&CoreCallbacks::audioSampleBatch);
    api->setInputPoll(&CoreCallbacks::inputPoll);
    api->setInputState(&CoreCallbacks::inputState);
    api->init();
    initialised = true;
    return true;
}

CoreHost::~CoreHost()
{
    if (api && initialised) {
        unloadImage();
        CoreCallbacks::Calling calling(this);
        api->deinit();
    }
    if (library) {
        RunningLibraries().erase(library);
        dlclose(library);
    }
}

QString CoreHost::name() const
{
    const QString name = libraryName.isEmpty() ? QFileInfo(corePath).fileName() : libraryName;
    return libraryVersion.isEmpty() ? name : name + QLatin1Char(' ') + libraryVersion;
}

bool CoreHost::loadImage(const QByteArray &image, QString *error)
{
    unloadImage();
    if (needsFile) {
        *error = problem(QStringLiteral("it reads images only from files, and this program gives it the image "
                                        "from memory"));
        return false;
    }
    if (image.isEmpty()) {
        *error = refusal(QStringLiteral("an empty image"));
        return false;
    }
    loadedImage = image;
    loadedImage.detach(); // the core may keep pointing into it while the game runs
    retro_game_info game{};
    game.path = imagePathText.constData();
    game.data = loadedImage.constData();
    game.size = std::size_t(loadedImage.size());
    lastError.clear();
    CoreCallbacks::Calling calling(this);
    if (!api->loadGame(&game)) {
        *error = refusal(QStringLiteral("the image"));
        loadedImage.clear();
        return false;
    }
    loaded = true;
    retro_system_av_info av{};
    api->getAvInfo(&av);
    // As the core gives them, usable or not: the editor judges them and says why not.
    fps = av.timing.fps;
    audioRate = av.timing.sample_rate;
    api->setControllerPortDevice(0, RETRO_DEVICE_JOYPAD);
    lastPicture = QImage();
    frameAudio.clear();
    return true;
}

void CoreHost::unloadImage()
{
    if (!loaded)
        return;
    CoreCallbacks::Calling calling(this);
    api->unloadGame();
    loaded = false;
    loadedImage.clear();
}

CoreHost::Reload CoreHost::reloadImage(const QByteArray &image, QString *message)
{
    QString why;
    const std::optional<QByteArray> state = loaded ? saveState(&why) : std::nullopt;
    if (!loadImage(image, message))
        return Reload::Failed;
    if (!state) {
        *message = why;
        return Reload::Restarted;
    }
    if (!restoreState(*state, &why)) {
        // The refused state may have left the game half restored: start it clean.
        reset();
        *message = why + QStringLiteral(" The game starts again.");
        return Reload::Restarted;
    }
    return Reload::StateKept;
}

void CoreHost::reset()
{
    if (!loaded)
        return;
    CoreCallbacks::Calling calling(this);
    api->reset();
}

void CoreHost::runFrame()
{
    if (!loaded)
        return;
    frameAudio.clear();
    CoreCallbacks::Calling calling(this);
    api->run();
}

std::optional<QByteArray> CoreHost::saveState(QString *error)
{
    if (!loaded) {
        *error = problem(QStringLiteral("it has no game to save"));
        return std::nullopt;
    }
    CoreCallbacks::Calling calling(this);
    const std::size_t size = api->serializeSize();
    if (size == 0 || size > std::size_t(std::numeric_limits<int>::max())) {
        *error = problem(QStringLiteral("it cannot save the game's state"));
        return std::nullopt;
    }
    QByteArray state(qsizetype(size), '\0');
    lastError.clear();
    if (!api->serialize(state.data(), size)) {
        *error = refusal(QStringLiteral("to save the game's state"));
        return std::nullopt;
    }
    return state;
}

bool CoreHost::restoreState(const QByteArray &state, QString *error)
{
    if (!loaded) {
        *error = problem(QStringLiteral("it has no game to restore"));
        return false;
    }
    if (state.isEmpty()) {
        *error = refusal(QStringLiteral("an empty saved state"));
        return false;
    }
    lastError.clear();
    CoreCallbacks::Calling calling(this);
    if (!api->unserialize(state.constData(), std::size_t(state.size()))) {
        *error = refusal(QStringLiteral("the saved state"));
        return false;
    }
    return true;
}

QStringList CoreHost::log() const
{
    return QStringList(said.begin(), said.end());
}

void CoreHost::note(const QString &line, bool warning)
{
    said.push_back(line);
    while (said.size() > LogLines)
        said.pop_front();
    if (warning)
        qCWarning(lcCore).noquote() << line;
    else
        qCInfo(lcCore).noquote() << line;
}

void CoreHost::takePicture(const void *data, unsigned width, unsigned height, std::size_t pitch)
{
    if (width == 0 || height == 0 || width > 4096 || height > 4096)
        return;
    if (lastPicture.width() != int(width) || lastPicture.height() != int(height))
        lastPicture = QImage(int(width), int(height), QImage::Format_RGB32);
    const auto *bytes = static_cast<const std::uint8_t *>(data);
    std::uint8_t *picture = lastPicture.bits();
    const qsizetype stride = lastPicture.bytesPerLine();
    for (unsigned y = 0; y < height; ++y) {
        auto *out = reinterpret_cast<QRgb *>(picture + y * stride);
        const std::uint8_t *line = bytes + y * pitch;
        if (pixelFormat == RETRO_PIXEL_FORMAT_XRGB8888) {
            std::memcpy(out, line, width * 4);
            for (unsigned x = 0; x < width; ++x)
                out[x] |= 0xFF000000u; // the core leaves the top byte undefined; RGB32 wants it set
            continue;
        }
        const auto *in = reinterpret_cast<const std::uint16_t *>(line);
        for (unsigned x = 0; x < width; ++x) {
            const unsigned p = in[x];
            unsigned r, g, b;
            if (pixelFormat == RETRO_PIXEL_FORMAT_RGB565) {
                r = (p >> 11) & 31, g = (p >> 5) & 63, b = p & 31;
                g = (g << 2) | (g >> 4);
            } else {
                r = (p >> 10) & 31, g = (p >> 5) & 31, b = p & 31;
                g = (g << 3) | (g >> 2);
            }
            out[x] = qRgb(int((r << 3) | (r >> 2)), int(g), int((b << 3) | (b >> 2)));
        }
    }
}

} // namespace krelin
