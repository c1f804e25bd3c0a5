#include "CollectorSource.h"

#include "SerialCollectorSource.h"
#include "SimulatedCollectorSource.h"
#include "TcpCollectorSource.h"

#include <QHostAddress>

namespace sorvik::collector
{

std::unique_ptr<CollectorSource> makeCollectorSource(const CollectorSettings& settings)
{
    switch (settings.source) {
    case SourceKind::Tcp:
        return std::make_unique<TcpCollectorSource>(QHostAddress(settings.address), settings.port,
                                                    settings.maxConnections, settings.idleSeconds);
    case SourceKind::Serial:
        return std::make_unique<SerialCollectorSource>(settings.device, settings.baud);
    case SourceKind::Simulator:
        return std::make_unique<SimulatedCollectorSource>(settings.rate);
    }
    return nullptr;
}

} // namespace sorvik::collector
