// Base class of the object that serves the desktop's service requests.
#pragma once

class QObject;

class Service {
public:
    Service() = default;
    virtual ~Service() = default;

    /// Records that a service request has touched a pasteboard.
    void didPerformService() { m_didPerformService = true; }
    bool hasPerformedService() const { return m_didPerformService; }

protected:
    QObject *servicesMenu = nullptr; // reserved for subclasses
    bool m_didPerformService = false;
};
