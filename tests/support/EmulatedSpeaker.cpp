// The emulated loudspeakers: the filter-chain configuration, its process, and the sinks and
// sources made default on the test's private server.
#include "tests/support/EmulatedSpeaker.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

namespace quilbo::test {

EmulatedSpeaker::~EmulatedSpeaker() {
    stopHelper(m_chain);
    // The server may outlive this speaker: the next one finds none of its sinks, not even one
    // the graph is still taking down (a speaker of another layout would find it under its name).
    for (const QString& module : m_modules) {
        m_server.pactl({"unload-module", module});
    }
    (void)QTest::qWaitFor(
        [&] {
            return !m_server.pactl({"list", "short", "sinks"}).output.contains(kSpeaker);
        },
        5000);
}

bool EmulatedSpeaker::load(const QStringList& module) {
    const CommandResult result = m_server.pactl(QStringList{"load-module"} + module);
    if (result.ok()) {
        m_modules.prepend(result.output.trimmed());
    }
    return result.ok();
}

bool EmulatedSpeaker::makeDefault(const QString& sink, const QString& source) {
    m_sink = sink;
    m_source = source;
    // The server may take a moment to list a node it has just made.
    return QTest::qWaitFor(
        [&] {
            return m_server.setDefaultSink(sink) &&
                   m_server.pactl({"set-default-source", source}).ok() &&
                   m_server.pactl({"get-default-sink"}).output.trimmed() == sink &&
                   m_server.pactl({"get-default-source"}).output.trimmed() == source;
        },
        15000);
}

bool EmulatedSpeaker::startPerfect() {
    return makeDefault(SoundServer::kSink, QString(SoundServer::kSink) + ".monitor");
}

bool EmulatedSpeaker::startSwapped() {
    // Made the default only once its stream plays into the null sink: WirePlumber links a stream
    // whose target is not yet known to the default sink, which would be the remap sink itself.
    const auto feedsTheNullSink = [&] {
        const QString sinks = m_server.pactl({"list", "short", "sinks"}).output;
        const QString null =
            sinks.section(SoundServer::kSink, 0, 0).section('\n', -1).section('\t', 0, 0);
        const QString inputs = m_server.pactl({"list", "short", "sink-inputs"}).output;
        return !null.isEmpty() &&
               inputs.contains(QRegularExpression("^\\d+\t" + null + "\t",
                                                  QRegularExpression::MultilineOption));
    };
    return load({"module-remap-sink", QString("sink_name=") + kSwapped,
                 QString("master=") + SoundServer::kSink, "channels=2",
                 "master_channel_map=front-right,front-left", "channel_map=front-left,front-right",
                 "remix=no"}) &&
           QTest::qWaitFor(feedsTheNullSink, 15000) &&
           makeDefault(kSwapped, QString(SoundServer::kSink) + ".monitor");
}

bool EmulatedSpeaker::startMixed(int channels) {
    const QString maps[] = {"front-left,front-right", "front-left,front-right,rear-left,rear-right",
                            "front-left,front-right,front-center,lfe,rear-left,rear-right"};
    return (channels == 2 || channels == 4 || channels == 6) &&
           load({"module-null-sink", QString("sink_name=") + kRoom, "channels=1",
                 "channel_map=mono", "rate=" + QString::number(m_server.options().rate)}) &&
           load({"module-remap-sink", QString("sink_name=") + kSpeaker, QString("master=") + kRoom,
                 "channels=" + QString::number(channels), "channel_map=" + maps[channels / 2 - 1],
                 "remix=yes"}) &&
           makeDefault(kSpeaker, QString(kRoom) + ".monitor");
}

QString EmulatedSpeaker::graphConfig(const std::vector<SpeakerPath>& paths) const {
    // The chain's data thread at the priority the server's own get: without it a loaded machine
    // makes it miss its cycle, and the graph goes on without its output (a stretch of silence in
    // the room that no stream is told of). Each channel: a delay line, its filters, then a
    // convolver with the path's impulse response (or the built-in one-sample impulse) and the gain
    // (PipeWire 0.3.65's mixer does not apply a negative gain), into the mixer's input.
    QString nodes, links, inputs;
    const auto number = [](double value) { return QString::number(value, 'g', 17); };
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const QString n = QString::number(i + 1);
        QStringList stages = {"delay" + n};
        nodes += QString(
                     "{ type = builtin name = delay%1 label = delay config = { \"max-delay\" = "
                     "1.0 } control = { \"Delay (s)\" = %2 } }\n")
                     .arg(n, number(paths[i].delayMs / 1000.0));
        for (const SpeakerFilter& f : paths[i].filters) {
            stages << QString("filter%1_%2").arg(n).arg(stages.size());
            nodes += QString(
                         "{ type = builtin name = %1 label = %2 control = { \"Freq\" = %3 "
                         "\"Q\" = %4 \"Gain\" = %5 } }\n")
                         .arg(stages.back(), f.label, number(f.frequency), number(f.q),
                              number(f.gainDb));
        }
        stages << "gain" + n;
        nodes += QString(
                     "{ type = builtin name = gain%1 label = convolver config = { filename = "
                     "\"%3\" gain = %2 } }\n")
                     .arg(n, number(paths[i].gain),
                          paths[i].impulseFile.isEmpty() ? "/dirac" : paths[i].impulseFile);
        for (int k = 1; k < stages.size(); ++k) {
            links += QString("{ output = \"%1:Out\" input = \"%2:In\" }\n")
                         .arg(stages[k - 1], stages[k]);
        }
        links += QString("{ output = \"gain%1:Out\" input = \"mix:In %1\" }\n").arg(n);
        inputs += QString(" \"delay%1:In\"").arg(n);
    }
    const QString position = QStringList{"", "FL", "FR", "RL", "RR", "FC", "LFE", "SL", "SR"}
                                 .mid(0, qsizetype(paths.size()) + 1)
                                 .join(' ');
    return QString(
               "context.properties = { log.level = 2 }\n"
               "context.spa-libs = { audio.convert.* = audioconvert/libspa-audioconvert\n"
               "                     support.* = support/libspa-support }\n"
               "context.modules = [\n"
               "{ name = libpipewire-module-rt args = { nice.level = -11 rt.prio = 88 }\n"
               "  flags = [ ifexists nofail ] }\n"
               "{ name = libpipewire-module-protocol-native }\n"
               "{ name = libpipewire-module-client-node }\n"
               "{ name = libpipewire-module-adapter }\n"
               "{ name = libpipewire-module-filter-chain args = {\n"
               "  node.description = \"Emulated loudspeaker\"\n"
               "  media.name = \"Emulated loudspeaker\"\n"
               "  filter.graph = {\n"
               "    nodes = [\n%1{ type = builtin name = mix label = mixer }\n]\n"
               "    links = [\n%2]\n"
               "    inputs = [%3 ]\n"
               "    outputs = [ \"mix:Out\" ]\n"
               "  }\n"
               "  capture.props = { node.name = \"%4\" media.class = Audio/Sink\n"
               "                    audio.channels = %5 audio.position = [%6 ] }\n"
               "  playback.props = { node.name = \"%4.out\" node.passive = true\n"
               "                     audio.channels = 1 audio.position = [ MONO ]\n"
               "                     target.object = \"%7\" }\n"
               "} }\n"
               "]\n")
        .arg(nodes, links, inputs, kSpeaker)
        .arg(paths.size())
        .arg(position, kRoom);
}

bool EmulatedSpeaker::startPaths(const std::vector<SpeakerPath>& paths) {
    if (paths.empty() || paths.size() > 8) {
        return false;
    }
    const QString rate = QString::number(m_server.options().rate);
    if (m_server.kind() == ServerKind::PulseAudio) {
        return false;  // no filters or delays to emulate with: startMixed is its loudspeaker
    }
    // One cycle length for the whole run: a graph that changes it as nodes come and go drops
    // audio on the way, and a long one gives the chain's process (not real-time) room to keep up.
    if (!runCommand(
             {"pw-metadata", "-n", "settings", "0", "clock.force-quantum", QString::number(kCycle)},
             m_server.environment())
             .ok() ||
        !load({"module-null-sink", QString("sink_name=") + kRoom, "format=float32le",
               "rate=" + rate, "channels=1", "channel_map=mono"})) {
        return false;
    }
    const QString config = m_server.directory() + "/speaker.conf";
    return writeFile(config, graphConfig(paths).toUtf8()) &&
           startHelper(m_chain, {"pipewire", "-c", config}, m_server.directory() + "/speaker.log",
                       m_server.environment()) &&
           QTest::qWaitFor(
               [&] {
                   return m_server.pactl({"list", "short", "sinks"}).output.contains(kSpeaker) ||
                          !running(m_chain);
               },
               15000) &&
           running(m_chain) && makeDefault(kSpeaker, QString(kRoom) + ".monitor");
}

std::string EmulatedSpeaker::log() const {
    QFile file(m_server.directory() + "/speaker.log");
    return m_server.log() +
           (file.open(QIODevice::ReadOnly) ? "--- speaker\n" + file.readAll().toStdString() : "");
}

}  // namespace quilbo::test
