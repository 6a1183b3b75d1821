#pragma once
#include <vector>

namespace kvl {

enum class TOperation { opInsert, opRemove };

// An object with an owner that tells the components that asked for it when it goes away, so
// nobody keeps a reference to a freed engine.
class TComponent {
public:
    explicit TComponent(TComponent* owner = nullptr) : owner_(owner) {}
    virtual ~TComponent();
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return owner_; }
    // Asks to be told (Notification with opRemove) when this component is destroyed.
    void FreeNotification(TComponent* subscriber);
    void RemoveFreeNotification(TComponent* subscriber);

protected:
    virtual void Notification(TComponent* component, TOperation operation);

private:
    TComponent* owner_;
    std::vector<TComponent*> subscribers_;
};

} // namespace kvl
