// The Puppet character's motions, started by a direction: renderer int parameter 0 idles on channel 0
// and, on channel 1, talks once and then goes on talking.
void Update()
{
    uint id = GetIntParam(0);
    BeginMotionPuppet(id, 0);
    PushLoopMotionPuppet(id, 0);
    BeginMotionPuppet(id, 1);
    PushMotionPuppet(id, 1);
    PushLoopMotionPuppet(id, 1);
}
