#include "DevicePreviewHTTPProxy.h"

#include "DevicePreviewProxyWorker.h"

using namespace Qt::StringLiterals;

namespace devnook {

std::unique_ptr<DevicePreviewHTTPProxy> DevicePreviewHTTPProxy::create(const QUrl &localURL,
                                                                       const DevicePreviewProxyLimits &limits)
{
    if (localURL.host().isEmpty())
        return nullptr;
    return std::unique_ptr<DevicePreviewHTTPProxy>(new DevicePreviewHTTPProxy(localURL, limits));
}

DevicePreviewHTTPProxy::DevicePreviewHTTPProxy(const QUrl &localURL, const DevicePreviewProxyLimits &limits)
    : m_targetURL(localURL), m_worker(new DevicePreviewProxyWorker(localURL, limits))
{
    m_thread.setObjectName(u"DevicePreviewProxy"_s);
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    // Queued across the threads; a proxy gone by then hears nothing.
    connect(m_worker, &DevicePreviewProxyWorker::listening, this, &DevicePreviewHTTPProxy::startFinished);
    m_thread.start();
}

DevicePreviewHTTPProxy::~DevicePreviewHTTPProxy()
{
    stop();
    m_thread.quit();
    m_thread.wait();
}

void DevicePreviewHTTPProxy::start()
{
    QMetaObject::invokeMethod(m_worker, &DevicePreviewProxyWorker::listen);
}

void DevicePreviewHTTPProxy::update(const QList<DevicePreviewURLReplacement> &contentReplacements,
                                    const QList<DevicePreviewURLReplacement> &originMappings)
{
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, contentReplacements, originMappings] {
        worker->setReplacements(contentReplacements, originMappings);
    });
}

void DevicePreviewHTTPProxy::stop()
{
    if (m_thread.isRunning())
        QMetaObject::invokeMethod(m_worker, &DevicePreviewProxyWorker::shutdown,
                                  Qt::BlockingQueuedConnection);
}

} // namespace devnook
