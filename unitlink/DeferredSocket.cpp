#include "unitlink/DeferredSocket.h"

#include "platform/Paths.h"

#include <dlfcn.h>
#include <mutex>
#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <string>

namespace unitlink {

CDeferredSocket::CDeferredSocket(bool direct) : context_(std::make_unique<QObject>()), direct_(direct) {}

// The socket goes first: its own pending calls and its connection end before the context does.
CDeferredSocket::~CDeferredSocket() {
    socket_.reset();
}

namespace {

// The library lies beside the suite's platform library (libqxmplatform.so, loaded with every
// program and test that links the unit link): its path is taken from where that library was
// loaded from, whichever program or test loaded it and whatever opens libraries on its behalf.
std::string LibraryPath() {
    Dl_info info{};
    const auto anchor = &platform::RootFolderFrom;
    if (::dladdr(reinterpret_cast<const void*>(anchor), &info) == 0 || !info.dli_fname)
        return CDeferredSocket::kLibrary;
    std::string path = info.dli_fname;
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return CDeferredSocket::kLibrary;
    return path.substr(0, slash + 1) + CDeferredSocket::kLibrary;
}

} // namespace

CDeferredSocket::Factory CDeferredSocket::LoadFactory() {
    static Factory factory = nullptr;
    static std::once_flag once;
    std::call_once(once, [] {
        // The handle stays open: the socket's code is used for the rest of the process.
        if (void* handle = ::dlopen(LibraryPath().c_str(), RTLD_NOW | RTLD_LOCAL))
            factory = reinterpret_cast<Factory>(::dlsym(handle, kFactory));
    });
    return factory;
}

ILinkTransport* CDeferredSocket::Socket() {
    if (socket_)
        return socket_.get();
    const auto make = [this] {
        const Factory factory = LoadFactory();
        if (!factory)
            return;
        socket_.reset(factory(direct_ ? 1 : 0));
        if (socket_)
            socket_->SetEvents(events_);
    };
    // The socket belongs to the thread that made this transport, as a CNetSocket made there would.
    if (QThread::currentThread() == context_->thread())
        make();
    else
        QMetaObject::invokeMethod(context_.get(), make, Qt::BlockingQueuedConnection);
    return socket_.get();
}

void CDeferredSocket::SetEvents(ILinkTransportEvents* events) {
    events_ = events;
    if (socket_)
        socket_->SetEvents(events);
}

bool CDeferredSocket::Create() {
    ILinkTransport* socket = Socket();
    return socket && socket->Create();
}

bool CDeferredSocket::Connect(const std::string& address, int port) {
    ILinkTransport* socket = Socket();
    return socket && socket->Connect(address, port);
}

// Before the socket is made there is no connection: nothing is sent, nothing closed or read.
bool CDeferredSocket::Send(const std::uint8_t* data, std::size_t size) {
    return socket_ && socket_->Send(data, size);
}

void CDeferredSocket::Close() {
    if (socket_)
        socket_->Close();
}

void CDeferredSocket::ReadPending() {
    if (socket_)
        socket_->ReadPending();
}

void CDeferredSocket::RunOnLinkThread(const std::function<void()>& fn) {
    if (QThread::currentThread() == context_->thread()) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(context_.get(), fn, Qt::BlockingQueuedConnection);
}

void CDeferredSocket::Post(std::function<void()> fn) {
    QMetaObject::invokeMethod(context_.get(), std::move(fn), Qt::QueuedConnection);
}

} // namespace unitlink
