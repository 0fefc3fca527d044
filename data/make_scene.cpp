// Builds the figure scene at build time and writes it as C++ tables (data/scene.h):
//
//   make_scene OUT.cpp
//
// The scene: two stages 34 apart on x, each with a round dance floor, a rim, three light
// pillars, four loudspeakers and an arch behind; a dancer on each stage (group 0 at x = 0,
// group 1 at x = 34), built like a jointed mannequin from thirteen rigid pieces; a mirror ball
// over the middle and a flag on a mast between the stages whose cloth is bent by the first bone
// chain. The ground is the plane z = -1.5017; the dancers face -y, towards the camera.
//
// The dance is computed here with a small skeleton (feet planted by two-bone leg IK) and baked
// into world-space key tracks of every piece, sampled every eighth of a dance-phase unit (a
// quarter beat) over 0..16, one cycle of 32 beats in four phrases of 8 beats.
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

const double pi = 3.14159265358979323846;
const double ground = -1.5017;
const double stage_x[2] = {0.0, 34.0};

// ---------------------------------------------------------------------------------------------
// Small vector and rotation helpers (double precision; the tables are rounded to float at the end)

struct v3 {
    double x, y, z;
};
v3 operator+(v3 a, v3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
v3 operator-(v3 a, v3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
v3 operator*(v3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double dot(v3 a, v3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
v3 cross(v3 a, v3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double length(v3 a) { return sqrt(dot(a, a)); }
v3 normalize(v3 a) {
    double l = length(a);
    return l > 0 ? a * (1.0 / l) : v3{0, 0, 1};
}

// 3x3 rotation, m[row][col].
struct m3 {
    double m[3][3];
};
m3 mul(const m3& a, const m3& b) {
    m3 r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) r.m[i][j] += a.m[i][k] * b.m[k][j];
    return r;
}
v3 mul(const m3& a, v3 v) {
    return {a.m[0][0] * v.x + a.m[0][1] * v.y + a.m[0][2] * v.z, a.m[1][0] * v.x + a.m[1][1] * v.y + a.m[1][2] * v.z,
            a.m[2][0] * v.x + a.m[2][1] * v.y + a.m[2][2] * v.z};
}
m3 identity3() { return {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}; }
m3 rot_x(double a) { return {{{1, 0, 0}, {0, cos(a), -sin(a)}, {0, sin(a), cos(a)}}}; }
m3 rot_y(double a) { return {{{cos(a), 0, sin(a)}, {0, 1, 0}, {-sin(a), 0, cos(a)}}}; }
m3 rot_z(double a) { return {{{cos(a), -sin(a), 0}, {sin(a), cos(a), 0}, {0, 0, 1}}}; }
// The rotation whose columns are x, y, z.
m3 from_axes(v3 x, v3 y, v3 z) { return {{{x.x, y.x, z.x}, {x.y, y.y, z.y}, {x.z, y.z, z.z}}}; }
// A limb frame: local z along `up` (from the far joint towards the near one), local y as close to
// `back` as the limb allows.
m3 limb_frame(v3 up, v3 back) {
    v3 z = normalize(up);
    v3 x = normalize(cross(back, z));
    v3 y = cross(z, x);
    return from_axes(x, y, z);
}
// Euler angles (x, y, z) of R = Rz * Ry * Rx.
v3 euler_of(const m3& r) {
    double sy = -r.m[2][0];
    if (sy > 1) sy = 1;
    if (sy < -1) sy = -1;
    return {atan2(r.m[2][1], r.m[2][2]), asin(sy), atan2(r.m[1][0], r.m[0][0])};
}
m3 euler_matrix(v3 e) { return mul(rot_z(e.z), mul(rot_y(e.y), rot_x(e.x))); }

double smooth(double x) {
    if (x <= 0) return 0;
    if (x >= 1) return 1;
    return x * x * (3 - 2 * x);
}
double mixd(double a, double b, double t) { return a + (b - a) * t; }
double rad(double deg) { return deg * pi / 180.0; }

// ---------------------------------------------------------------------------------------------
// Mesh building

struct vertex {
    v3 p, n;
    double u, v;
    int b0, b1;
    double w; // weight of b0
};

struct mesh {
    std::vector<vertex> verts;
    std::vector<int> tris;
    void add(const mesh& o) {
        int base = (int)verts.size();
        verts.insert(verts.end(), o.verts.begin(), o.verts.end());
        for (int i : o.tris) tris.push_back(base + i);
    }
    void transform(const m3& r, v3 t) {
        for (vertex& v : verts) {
            v.p = mul(r, v.p) + t;
            v.n = mul(r, v.n);
        }
    }
};

// A surface of revolution about z: profile points (radius, z) from bottom to top, `around`
// segments, the cross-section scaled by sx, sy. Normals from the profile's slope.
mesh lathe(const std::vector<std::pair<double, double>>& profile, int around, double sx = 1, double sy = 1) {
    mesh m;
    int n = (int)profile.size();
    for (int i = 0; i < n; ++i) {
        int a = i > 0 ? i - 1 : i, b = i + 1 < n ? i + 1 : i;
        double dr = profile[b].first - profile[a].first, dz = profile[b].second - profile[a].second;
        // outward normal of the profile curve: (dz, -dr)
        double nr = dz, nz = -dr;
        double l = sqrt(nr * nr + nz * nz);
        if (l > 0) nr /= l, nz /= l;
        if (profile[i].first < 1e-9) nr = 0, nz = (i == 0 ? -1 : 1);
        for (int j = 0; j <= around; ++j) {
            double th = 2 * pi * j / around;
            vertex v{};
            v.p = {sx * profile[i].first * cos(th), sy * profile[i].first * sin(th), profile[i].second};
            v.n = normalize({nr * cos(th) / sx, nr * sin(th) / sy, nz});
            v.u = (double)j / around;
            v.v = (double)i / (n - 1);
            v.b0 = v.b1 = 12;
            v.w = 1;
            m.verts.push_back(v);
        }
    }
    for (int i = 0; i + 1 < n; ++i)
        for (int j = 0; j < around; ++j) {
            int a = i * (around + 1) + j, b = a + 1, c = a + around + 1, d = c + 1;
            if (profile[i].first > 1e-9) m.tris.insert(m.tris.end(), {a, b, d});
            if (profile[i + 1].first > 1e-9) m.tris.insert(m.tris.end(), {a, d, c});
        }
    return m;
}

// Profile of a capsule from z0 (radius r0) to z1 (radius r1), rounded at both ends.
std::vector<std::pair<double, double>> capsule_profile(double z0, double r0, double z1, double r1, int cap_rings,
                                                       int mid_rings = 1) {
    std::vector<std::pair<double, double>> p;
    for (int i = 0; i <= cap_rings; ++i) {
        double a = -pi / 2 + (pi / 2) * i / cap_rings;
        p.push_back({r0 * cos(a), z0 + r0 * sin(a)});
    }
    for (int i = 1; i < mid_rings; ++i) {
        double t = (double)i / mid_rings;
        p.push_back({mixd(r0, r1, t), mixd(z0, z1, t)});
    }
    for (int i = 0; i <= cap_rings; ++i) {
        double a = (pi / 2) * i / cap_rings;
        p.push_back({r1 * cos(a), z1 + r1 * sin(a)});
    }
    return p;
}

mesh ellipsoid(v3 radii, int around, int rings) {
    std::vector<std::pair<double, double>> p;
    for (int i = 0; i <= rings; ++i) {
        double a = -pi / 2 + pi * i / rings;
        p.push_back({cos(a), sin(a)});
    }
    mesh m = lathe(p, around);
    for (vertex& v : m.verts) {
        v.p = {v.p.x * radii.x, v.p.y * radii.y, v.p.z * radii.z};
        v.n = normalize({v.n.x / radii.x, v.n.y / radii.y, v.n.z / radii.z});
    }
    return m;
}

// A box with flat faces, centred at c.
mesh box(v3 c, v3 half) {
    mesh m;
    const v3 axes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (int a = 0; a < 3; ++a)
        for (int s = -1; s <= 1; s += 2) {
            v3 n = axes[a] * s;
            v3 u = axes[(a + 1) % 3], w = axes[(a + 2) % 3];
            if (s < 0) std::swap(u, w);
            int base = (int)m.verts.size();
            for (int k = 0; k < 4; ++k) {
                double du = (k == 1 || k == 2) ? 1 : -1, dw = (k >= 2) ? 1 : -1;
                v3 p = c + v3{n.x * half.x, n.y * half.y, n.z * half.z} +
                       v3{u.x * half.x * du, u.y * half.y * du, u.z * half.z * du} +
                       v3{w.x * half.x * dw, w.y * half.y * dw, w.z * half.z * dw};
                vertex v{};
                v.p = p;
                v.n = n;
                v.u = (du + 1) / 2;
                v.v = (dw + 1) / 2;
                v.b0 = v.b1 = 12;
                v.w = 1;
                m.verts.push_back(v);
            }
            m.tris.insert(m.tris.end(), {base, base + 1, base + 2, base, base + 2, base + 3});
        }
    return m;
}

// A torus about z (major radius R, tube radius r) over the angle range a0..a1.
mesh torus(double R, double r, int around, int tube, double a0 = 0, double a1 = 2 * pi) {
    mesh m;
    for (int i = 0; i <= around; ++i) {
        double a = a0 + (a1 - a0) * i / around;
        for (int j = 0; j <= tube; ++j) {
            double b = 2 * pi * j / tube;
            v3 dir = {cos(a), sin(a), 0};
            v3 n = dir * cos(b) + v3{0, 0, sin(b)};
            vertex v{};
            v.p = dir * R + n * r;
            v.n = n;
            v.u = (double)i / around;
            v.v = (double)j / tube;
            v.b0 = v.b1 = 12;
            v.w = 1;
            m.verts.push_back(v);
        }
    }
    for (int i = 0; i < around; ++i)
        for (int j = 0; j < tube; ++j) {
            int a = i * (tube + 1) + j, b = a + 1, c = a + tube + 1, d = c + 1;
            m.tris.insert(m.tris.end(), {a, c, d, a, d, b});
        }
    return m;
}

// A flat disc (top face up) with a short side wall down to z = -depth.
mesh disc(double radius, double depth, int around) {
    std::vector<std::pair<double, double>> p = {
        {0, -depth}, {radius, -depth}, {radius, -0.03}, {radius - 0.03, 0}, {0, 0}};
    return lathe(p, around);
}

// ---------------------------------------------------------------------------------------------
// The dance

struct dance_pose {
    double step_x, step_y; // root offset on the floor
    double yaw;            // body turn about z
    double drop;           // pelvis lowered by bent knees
    double sway;           // pelvis shifted sideways
    double hip_roll;       // pelvis tilt about y
    double lean, side_lean, twist;
    double nod, tilt;
    double arm_fwd[2], arm_side[2], elbow[2]; // [0] right, [1] left
    double foot_x[2], foot_y[2], foot_lift[2];
};

dance_pose lerp_pose(const dance_pose& a, const dance_pose& b, double t) {
    dance_pose r;
    const double* pa = (const double*)&a;
    const double* pb = (const double*)&b;
    double* pr = (double*)&r;
    for (size_t i = 0; i < sizeof(dance_pose) / sizeof(double); ++i) pr[i] = mixd(pa[i], pb[i], t);
    return r;
}

// On the beat: 1 at each beat, falling to 0 half-way.
double on_beat(double beat) {
    double f = beat - floor(beat);
    double c = 0.5 + 0.5 * cos(2 * pi * f);
    return c * c;
}

dance_pose base_pose() {
    dance_pose p{};
    for (int s = 0; s < 2; ++s) {
        p.arm_side[s] = rad(12);
        p.arm_fwd[s] = rad(8);
        p.elbow[s] = rad(20);
        p.foot_x[s] = s == 0 ? -0.21 : 0.21;
        p.foot_y[s] = 0;
    }
    p.drop = 0.03;
    return p;
}

// Move 0, the groove: knees dip on every beat, the pelvis rocks side to side over two beats,
// bent arms pump alternately, the head nods on the beat.
dance_pose move_groove(double beat) {
    dance_pose p = base_pose();
    double hit = on_beat(beat);
    double side = sin(pi * beat); // +1 / -1 on alternate off-beats
    p.drop = 0.04 + 0.15 * hit;
    p.sway = 0.08 * side;
    p.hip_roll = -0.08 * side;
    p.side_lean = 0.05 * side;
    p.nod = 0.25 * hit;
    p.lean = 0.1;
    for (int s = 0; s < 2; ++s) {
        double alt = s == 0 ? side : -side;
        p.arm_fwd[s] = rad(35 + 28 * alt);
        p.arm_side[s] = rad(16);
        p.elbow[s] = rad(85 + 20 * hit);
    }
    return p;
}

// Move 1, arms up: both fists punch up on each beat, hips sway over two beats.
dance_pose move_arms_up(double beat) {
    dance_pose p = base_pose();
    double hit = on_beat(beat);
    double side = sin(pi * beat);
    p.drop = 0.04 + 0.14 * hit;
    p.sway = 0.1 * side;
    p.hip_roll = -0.1 * side;
    p.side_lean = -0.06 * side;
    p.nod = -0.15 + 0.12 * hit;
    p.foot_x[0] = -0.29;
    p.foot_x[1] = 0.29;
    for (int s = 0; s < 2; ++s) {
        p.arm_fwd[s] = rad(150 + 18 * hit);
        p.arm_side[s] = rad(18 + 8 * hit);
        p.elbow[s] = rad(10 + 50 * (1 - hit));
    }
    return p;
}

// Move 2, step-touch: a step to the right landing on beat 1, the left foot closing in on beat 2,
// a step to the left on beat 3, the right foot closing on beat 4; the body leans into the step
// and the arms open on the steps and clap in front on the touches.
double ramp(double x, double a, double b) { return smooth((x - a) / (b - a)); }
dance_pose move_step_touch(double beat) {
    dance_pose p = base_pose();
    double b4 = beat - 4 * floor(beat / 4); // 0..4
    double hit = on_beat(beat);
    double body = 0.25 - 0.5 * ramp(b4, 0, 1) + 0.5 * ramp(b4, 2, 3);
    double right = 0.1 - 0.5 * ramp(b4, 0, 1) + 0.5 * ramp(b4, 3, 4);
    double left = 0.4 - 0.5 * ramp(b4, 1, 2) + 0.5 * ramp(b4, 2, 3);
    double lift_r = (b4 < 1) ? sin(pi * b4) : (b4 >= 3 ? sin(pi * (b4 - 3)) : 0);
    double lift_l = (b4 >= 1 && b4 < 3) ? fabs(sin(pi * (b4 - 1))) : 0;
    p.step_x = body;
    p.foot_x[0] = right - body;
    p.foot_x[1] = left - body;
    p.foot_lift[0] = 0.07 * lift_r;
    p.foot_lift[1] = 0.07 * lift_l;
    p.yaw = -0.5 * body;
    p.drop = 0.07 + 0.08 * hit;
    p.side_lean = 0.25 * body;
    p.nod = 0.12 * hit;
    double open = 0.5 + 0.5 * cos(pi * beat); // arms out on the odd beats, clap on the even ones
    for (int s = 0; s < 2; ++s) {
        p.arm_side[s] = rad(14 + 50 * open);
        p.arm_fwd[s] = rad(50 + 30 * (1 - open));
        p.elbow[s] = rad(30 + 45 * (1 - open));
    }
    return p;
}

// Move 3, point and turn: the body turns to one side and back over a bar, the right arm points
// up and out with a jab on each beat, the left hand rests on the hip.
dance_pose move_point(double beat) {
    dance_pose p = base_pose();
    double hit = on_beat(beat);
    double b8 = beat - 8 * floor(beat / 8);
    double turn = sin(pi * b8 / 4);
    p.yaw = 0.3 * turn;
    p.twist = -0.2 * turn;
    p.drop = 0.04 + 0.14 * hit;
    p.sway = 0.05 * sin(pi * beat);
    p.side_lean = 0.1;
    p.nod = -0.1 + 0.1 * hit;
    p.tilt = 0.12;
    p.foot_x[0] = -0.26;
    p.foot_x[1] = 0.26;
    p.arm_fwd[0] = rad(115 + 30 * hit);
    p.arm_side[0] = rad(40);
    p.elbow[0] = rad(8 + 12 * (1 - hit));
    p.arm_fwd[1] = rad(-10);
    p.arm_side[1] = rad(42);
    p.elbow[1] = rad(105);
    return p;
}

typedef dance_pose (*move_fn)(double beat);
const move_fn moves[4] = {move_groove, move_arms_up, move_step_touch, move_point};

// The two dancers dance the four moves in different orders; the second is mirrored.
const int move_order[2][4] = {{0, 1, 2, 3}, {1, 3, 0, 2}};

dance_pose dance_at(int dancer, double phase) {
    double beat = 2 * phase;
    int phrase = (int)floor(phase / 4) & 3;
    double into = phase - 4 * floor(phase / 4);
    dance_pose p = moves[move_order[dancer][phrase]](beat);
    // the last beat of a phrase blends into the next move
    if (into > 3.5) {
        dance_pose q = moves[move_order[dancer][(phrase + 1) & 3]](beat);
        p = lerp_pose(p, q, smooth((into - 3.5) / 0.5));
    }
    if (dancer == 1) {
        // mirrored: left and right swap
        dance_pose m = p;
        for (int s = 0; s < 2; ++s) {
            m.arm_fwd[s] = p.arm_fwd[1 - s];
            m.arm_side[s] = p.arm_side[1 - s];
            m.elbow[s] = p.elbow[1 - s];
            m.foot_x[s] = -p.foot_x[1 - s];
            m.foot_y[s] = p.foot_y[1 - s];
            m.foot_lift[s] = p.foot_lift[1 - s];
        }
        m.step_x = -p.step_x;
        m.yaw = -p.yaw;
        m.sway = -p.sway;
        m.hip_roll = -p.hip_roll;
        m.side_lean = -p.side_lean;
        m.twist = -p.twist;
        m.tilt = -p.tilt;
        p = m;
    }
    return p;
}

// Body measures (units; a dancer is about 3.05 tall).
const double ankle_height = 0.11;
const double thigh_len = 0.72, shin_len = 0.72;
const double pelvis_rest = ground + 1.58; // pelvis centre standing
const double hip_below_pelvis = 0.06, hip_apart = 0.15;
const double torso_pivot_above = 0.10; // torso pivot above the pelvis centre
const double shoulder_up = 0.66, shoulder_apart = 0.40;
const double head_up = 1.03; // head centre above the torso pivot
const double upper_arm_len = 0.50, forearm_len = 0.48;

// The world frame of each part of a dancer.
enum part : int {
    part_head,
    part_torso,
    part_pelvis,
    part_upper_arm_r,
    part_upper_arm_l,
    part_forearm_r,
    part_forearm_l,
    part_thigh_r,
    part_thigh_l,
    part_shin_r,
    part_shin_l,
    part_foot_r,
    part_foot_l,
    part_count
};
struct frame {
    m3 r;
    v3 t; // the joint the part turns about
};

void pose_dancer(int dancer, double phase, frame out[part_count]) {
    dance_pose p = dance_at(dancer, phase);
    m3 yaw = rot_z(p.yaw);
    v3 root = {stage_x[dancer] + p.step_x, p.step_y, ground};
    v3 forward = mul(yaw, v3{0, -1, 0});
    v3 back = forward * -1;

    m3 pelvis_r = mul(yaw, rot_y(p.hip_roll));
    v3 pelvis = root + mul(yaw, v3{p.sway, 0, pelvis_rest - ground - p.drop});
    out[part_pelvis] = {pelvis_r, pelvis};

    m3 torso_r = mul(pelvis_r, mul(rot_z(p.twist), mul(rot_y(p.side_lean - p.hip_roll), rot_x(-p.lean))));
    v3 torso = pelvis + mul(pelvis_r, v3{0, 0, torso_pivot_above});
    out[part_torso] = {torso_r, torso};

    out[part_head] = {mul(torso_r, mul(rot_x(-p.nod), rot_y(p.tilt))), torso + mul(torso_r, v3{0, 0, head_up})};

    for (int s = 0; s < 2; ++s) {
        double sx = s == 0 ? -1 : 1;
        v3 shoulder = torso + mul(torso_r, v3{sx * shoulder_apart, 0, shoulder_up});
        // out to the side first, then forward and up: the arm keeps its sideways lean overhead
        m3 upper = mul(torso_r, mul(rot_x(-p.arm_fwd[s]), rot_y(-sx * p.arm_side[s])));
        v3 elbow = shoulder + mul(upper, v3{0, 0, -upper_arm_len});
        m3 fore = mul(upper, rot_x(-p.elbow[s]));
        out[part_upper_arm_r + s] = {upper, shoulder};
        out[part_forearm_r + s] = {fore, elbow};

        v3 hip = pelvis + mul(pelvis_r, v3{sx * hip_apart, 0, -hip_below_pelvis});
        v3 ankle = root + mul(yaw, v3{p.foot_x[s], p.foot_y[s], ankle_height + p.foot_lift[s]});
        v3 d = ankle - hip;
        double dist = length(d);
        double reach = thigh_len + shin_len - 0.002;
        if (dist > reach) {
            // legs cannot reach: the ankle hangs at full stretch (the pose tables keep it rare)
            ankle = hip + normalize(d) * reach;
            d = ankle - hip;
            dist = reach;
        }
        v3 dir = normalize(d);
        v3 bend = normalize(forward - dir * dot(forward, dir));
        double a = (thigh_len * thigh_len - shin_len * shin_len + dist * dist) / (2 * dist);
        double h = sqrt(fmax(thigh_len * thigh_len - a * a, 0.0));
        v3 knee = hip + dir * a + bend * h;
        out[part_thigh_r + s] = {limb_frame(hip - knee, back), hip};
        out[part_shin_r + s] = {limb_frame(knee - ankle, back), knee};
        out[part_foot_r + s] = {yaw, ankle};
    }
}

// ---------------------------------------------------------------------------------------------
// Pieces

struct piece_def {
    const char* name;
    mesh shape;        // in the part's joint frame
    v3 origin_shift;   // the piece's origin in the joint frame
    int dancer = -1;   // -1: a prop
    int part = 0;
    v3 place{0, 0, 0}; // props: translation
    v3 turn{0, 0, 0};  // props: rotation
    v3 colour{0.8, 0.8, 0.8};
    int slot = 0;
    int shared_with = -1; // uses the index range of that piece
    int swing = 0;        // props: 1 = the mirror ball's slow turn
};

mesh dancer_part_mesh(int part, int dancer) {
    const int A = 10; // segments around the limbs
    switch (part) {
    case part_head: {
        mesh head = ellipsoid({0.24, 0.26, 0.3}, 14, 8);
        // neck down to the torso
        mesh neck = lathe({{0.1, -0.4}, {0.1, -0.16}}, 8);
        head.add(neck);
        // a small nose and a flat visor-like brow give the face a direction
        mesh nose = ellipsoid({0.05, 0.07, 0.08}, 6, 3);
        nose.transform(identity3(), {0, -0.25, -0.03});
        head.add(nose);
        if (dancer == 1) {
            // a top knot for the second dancer
            mesh knot = ellipsoid({0.12, 0.12, 0.12}, 8, 5);
            knot.transform(identity3(), {0, 0.05, 0.33});
            head.add(knot);
        } else {
            // a crest of three bumps for the first
            for (int i = -1; i <= 1; ++i) {
                mesh bump = ellipsoid({0.06, 0.09, 0.08}, 6, 3);
                bump.transform(identity3(), {0, 0.11 * i, 0.285 - 0.04 * fabs((double)i)});
                head.add(bump);
            }
        }
        return head;
    }
    case part_torso: {
        std::vector<std::pair<double, double>> prof = {{0, -0.02},  {0.17, -0.01}, {0.2, 0.08},  {0.18, 0.22},
                                                       {0.2, 0.36},  {0.24, 0.5},   {0.24, 0.62}, {0.2, 0.72},
                                                       {0.1, 0.77},  {0, 0.78}};
        mesh m = lathe(prof, 14, 1.35, 0.8);
        // shoulder balls
        for (int s = -1; s <= 1; s += 2) {
            mesh ball = ellipsoid({0.13, 0.13, 0.13}, 8, 5);
            ball.transform(identity3(), {s * shoulder_apart, 0, shoulder_up});
            m.add(ball);
        }
        return m;
    }
    case part_pelvis: {
        std::vector<std::pair<double, double>> prof = {{0, -0.2}, {0.12, -0.19}, {0.2, -0.1}, {0.21, 0.02},
                                                       {0.19, 0.1}, {0.12, 0.15}, {0, 0.16}};
        mesh m = lathe(prof, 12, 1.3, 0.85);
        return m;
    }
    case part_upper_arm_r:
    case part_upper_arm_l:
        return lathe(capsule_profile(-upper_arm_len, 0.09, -0.03, 0.11, 2, 2), A);
    case part_forearm_r:
    case part_forearm_l: {
        mesh m = lathe(capsule_profile(-forearm_len + 0.06, 0.075, 0, 0.09, 2, 2), A);
        mesh hand = ellipsoid({0.07, 0.1, 0.12}, 8, 5);
        hand.transform(identity3(), {0, 0, -forearm_len - 0.02});
        m.add(hand);
        return m;
    }
    case part_thigh_r:
    case part_thigh_l:
        return lathe(capsule_profile(-thigh_len, 0.11, -0.02, 0.15, 2, 2), A);
    case part_shin_r:
    case part_shin_l:
        return lathe(capsule_profile(-shin_len, 0.08, 0, 0.11, 2, 2), A);
    default: {
        // a shoe: flat sole on the ground, toe forward (-y)
        mesh m = ellipsoid({0.11, 0.2, 0.075}, 10, 5);
        for (vertex& v : m.verts)
            if (v.p.z < -0.03) v.p.z = -0.03 + (v.p.z + 0.03) * 0.25; // flatter sole
        m.transform(identity3(), {0, -0.06, -ankle_height + 0.055});
        return m;
    }
    }
}

mesh speaker_mesh() {
    // a cabinet on the floor, origin at the middle of its base, facing -y
    mesh m = box({0, 0, 0.45}, {0.3, 0.24, 0.45});
    for (int i = 0; i < 2; ++i) {
        double z = i == 0 ? 0.28 : 0.68, r = i == 0 ? 0.2 : 0.12;
        std::vector<std::pair<double, double>> prof = {{r, 0}, {r * 0.9, 0.04}, {r * 0.35, 0.08}, {0, 0.09}};
        // cones open towards -y: the lathe's z becomes -y
        mesh cone = lathe(prof, 12);
        for (vertex& v : cone.verts) v.p.z -= 0.1;
        cone.transform(rot_x(pi / 2), {0, -0.24, z});
        m.add(cone);
    }
    return m;
}

mesh pillar_mesh() {
    std::vector<std::pair<double, double>> prof = {{0, 0},      {0.34, 0},   {0.34, 0.14}, {0.2, 0.3},
                                                   {0.2, 2.1},  {0.26, 2.2}, {0.18, 2.3},  {0.0, 2.32}};
    mesh m = lathe(prof, 10);
    mesh bulb = ellipsoid({0.2, 0.2, 0.2}, 8, 5);
    bulb.transform(identity3(), {0, 0, 2.48});
    m.add(bulb);
    return m;
}

mesh arch_mesh() {
    // a half ring standing in the xz plane, feet on the ground
    mesh m = torus(2.6, 0.14, 24, 6, 0, pi);
    m.transform(rot_x(pi / 2), {0, 0, 0});
    for (vertex& v : m.verts) { // taller than wide, to frame a dancer
        v.p.z *= 1.7;
        v.n = normalize({v.n.x, v.n.y, v.n.z / 1.7});
    }
    for (int s = -1; s <= 1; s += 2) {
        mesh foot = lathe(capsule_profile(0.0, 0.2, 0.25, 0.16, 2), 10);
        for (vertex& v : foot.verts) v.p.z = fmax(v.p.z, 0.0);
        foot.transform(identity3(), {s * 2.6, 0, 0});
        m.add(foot);
    }
    return m;
}

mesh rim_mesh(double radius) { return torus(radius, 0.09, 40, 4); }

mesh ball_mesh() {
    mesh m = ellipsoid({0.55, 0.55, 0.55}, 12, 8);
    mesh rod = lathe(capsule_profile(0.5, 0.02, 3.0, 0.02, 1), 6);
    m.add(rod);
    return m;
}

// The flag: a mast with the cloth along +x from its top; the cloth bends with bones 0..2.
const double mast_height = 6.2, flag_len = 2.8, flag_height = 1.5;
mesh flag_mesh() {
    mesh m = lathe(capsule_profile(0, 0.07, mast_height, 0.05, 2), 8);
    mesh knob = ellipsoid({0.12, 0.12, 0.12}, 10, 6);
    knob.transform(identity3(), {0, 0, mast_height + 0.1});
    m.add(knob);
    mesh base = lathe({{0, 0}, {0.45, 0}, {0.45, 0.1}, {0.3, 0.2}, {0, 0.22}}, 12);
    m.add(base);
    const int cols = 14, rows = 4;
    int start = (int)m.verts.size();
    for (int i = 0; i <= cols; ++i)
        for (int j = 0; j <= rows; ++j) {
            double s = flag_len * i / cols;
            vertex v{};
            v.p = {0.06 + s, 0, mast_height - flag_height * j / rows};
            v.n = {0, -1, 0};
            v.u = (double)i / cols;
            v.v = (double)j / rows;
            // bone 0 holds the cloth at the mast, bone 1 at the middle, bone 2 at the free end
            double t = s / (flag_len / 2);
            if (t <= 1) {
                v.b0 = 0, v.b1 = 1, v.w = 1 - t;
            } else {
                v.b0 = 1, v.b1 = 2, v.w = 2 - t;
            }
            m.verts.push_back(v);
        }
    for (int i = 0; i < cols; ++i)
        for (int j = 0; j < rows; ++j) {
            int a = start + i * (rows + 1) + j, b = a + 1, c = a + rows + 1, d = c + 1;
            m.tris.insert(m.tris.end(), {a, b, d, a, d, c});
        }
    return m;
}

// Which piece is which part of which dancer: [dancer][part].
const int dancer_piece[2][part_count] = {
    // head torso pelvis  upper arms  forearms  thighs   shins    feet
    {26, 18, 19, 30, 31, 32, 33, 9, 34, 35, 36, 37, 38},
    {17, 8, 20, 39, 40, 41, 42, 11, 43, 44, 45, 46, 47},
};
const char* const part_names[part_count] = {"head",        "torso",     "pelvis",     "right upper arm",
                                            "left upper arm", "right forearm", "left forearm", "right thigh",
                                            "left thigh",  "right shin", "left shin", "right foot", "left foot"};

std::vector<piece_def> make_pieces() {
    std::vector<piece_def> pieces(48);
    // Loudspeakers, four around each stage, turned towards the dancer.
    const double spk[4][2] = {{-3.3, 0.6}, {3.3, 0.6}, {-2.3, 2.7}, {2.3, 2.7}};
    const v3 spk_colour[4] = {{0.9, 0.3, 0.2}, {0.2, 0.5, 0.9}, {0.9, 0.8, 0.2}, {0.3, 0.8, 0.4}};
    for (int i = 0; i < 8; ++i) {
        piece_def& p = pieces[i];
        int st = i / 4, k = i % 4;
        p.name = "loudspeaker";
        if (i == 0) p.shape = speaker_mesh();
        else p.shared_with = 0;
        p.place = {stage_x[st] + spk[k][0], spk[k][1], ground};
        p.turn = {0, 0, atan2(-spk[k][0], spk[k][1]) * 0.3};
        p.colour = spk_colour[(k + st) % 4];
    }
    // Light pillars: pieces 10, 12..16, three behind each stage.
    const int pillars[6] = {10, 12, 13, 14, 15, 16};
    const double pil[3][2] = {{-2.0, 3.9}, {0.0, 4.6}, {2.0, 3.9}};
    for (int i = 0; i < 6; ++i) {
        piece_def& p = pieces[pillars[i]];
        p.name = "light pillar";
        p.shape = pillar_mesh();
        p.place = {stage_x[i / 3] + pil[i % 3][0], pil[i % 3][1], ground};
    }
    // Dancers.
    const v3 skin[2] = {{0.78, 0.6, 0.48}, {0.5, 0.34, 0.25}};
    const v3 shirt[2] = {{0.95, 0.95, 0.93}, {0.13, 0.13, 0.17}}; // one light dancer, one dark
    for (int d = 0; d < 2; ++d)
        for (int part = 0; part < part_count; ++part) {
            piece_def& p = pieces[dancer_piece[d][part]];
            p.name = part_names[part];
            p.dancer = d;
            p.part = part;
            p.shape = dancer_part_mesh(part, d);
            p.colour = part == part_head ? skin[d] : part == part_pelvis ? v3{1, 1, 1} : shirt[d];
            // the shorts wear the pattern textures' prints in their contrast pairs
            if (part == part_pelvis) p.slot = d == 0 ? 1 : 9;
        }
    // The tagged points ask for these origins (every other part has its origin at its joint):
    // each group's points are the head and the hips. A close-up on a head shows the upper body,
    // one on the hips the whole dancer at that distance, and every wider shot aims at the middle
    // of the two, the belly. The second dancer's torso has its origin 2.581 below the head's
    // centre, so that the point above it is the head; the first dancer's right thigh turns about
    // the hip joint, 0.289 above its point; the second's has its origin at the knee, 0.825 below.
    pieces[8].origin_shift = {0, 0, head_up - 2.581};
    pieces[11].origin_shift = {0, 0, -thigh_len};
    // Dance floors.
    for (int s = 0; s < 2; ++s) {
        piece_def& p = pieces[21 + s];
        p.name = "dance floor";
        p.shape = disc(6.5, 0.2, 32);
        p.place = {stage_x[s], 0, ground};
        p.colour = {0.5, 0.5, 0.5};
    }
    // Arches behind the stages, and the rims around them.
    for (int s = 0; s < 2; ++s) {
        piece_def& p = pieces[23 + s];
        p.name = "arch";
        p.shape = arch_mesh();
        p.place = {stage_x[s], 5.8, ground};
    }
    pieces[25].name = "rim";
    pieces[25].shape = rim_mesh(2.9);
    pieces[25].place = {stage_x[1], 0, ground + 0.05};
    pieces[27].name = "rim";
    pieces[27].shape = rim_mesh(2.9);
    pieces[27].place = {stage_x[0], 0, ground + 0.05};
    pieces[28].name = "mirror ball";
    pieces[28].shape = ball_mesh();
    pieces[28].place = {17, 3, 6.0};
    pieces[28].swing = 1;
    pieces[29].name = "flag";
    pieces[29].shape = flag_mesh();
    pieces[29].place = {17, 7, ground};
    return pieces;
}

// ---------------------------------------------------------------------------------------------
// Output

const int keys_per_unit = 8; // one key per quarter beat
const int key_steps = 16 * keys_per_unit;

std::vector<float> key_pool;

int add_track(const std::vector<v3>& values, const std::vector<double>& times) {
    int start = (int)key_pool.size();
    for (size_t i = 0; i < values.size(); ++i) {
        key_pool.push_back((float)times[i]);
        key_pool.push_back((float)values[i].x);
        key_pool.push_back((float)values[i].y);
        key_pool.push_back((float)values[i].z);
    }
    return start;
}

// Euler angles made continuous from key to key.
void unwrap(std::vector<v3>& e) {
    for (size_t i = 1; i < e.size(); ++i) {
        double* c = &e[i].x;
        const double* p = &e[i - 1].x;
        for (int k = 0; k < 3; ++k) {
            while (c[k] - p[k] > pi) c[k] -= 2 * pi;
            while (c[k] - p[k] < -pi) c[k] += 2 * pi;
        }
    }
}

struct track_ref {
    int start = 0, count = 0;
};

struct out_record {
    float rest[9];
    track_ref tracks[3];
    float B[3], O[3], A[3];
    int first, count, slot;
};

// A float literal that reads back as the same float.
std::string literal(float v) {
    char buf[40];
    snprintf(buf, sizeof buf, "%.9g", (double)v);
    std::string s = buf;
    if (s.find_first_of(".e") == std::string::npos) s += ".0";
    return s + "f";
}

void print_floats(FILE* f, const float* v, int n) {
    for (int i = 0; i < n; ++i) fprintf(f, "%s%s", i ? ", " : "", literal(v[i]).c_str());
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: make_scene OUT.cpp\n");
        return 2;
    }
    std::vector<piece_def> pieces = make_pieces();
    std::vector<double> times;
    for (int i = 0; i <= key_steps; ++i) times.push_back((double)i / keys_per_unit);

    // Dancer tracks: every key time, every part's frame.
    std::vector<frame> frames[2][part_count];
    for (int d = 0; d < 2; ++d)
        for (int i = 0; i <= key_steps; ++i) {
            frame f[part_count];
            pose_dancer(d, times[i], f);
            for (int k = 0; k < part_count; ++k) frames[d][k].push_back(f[k]);
        }

    std::vector<out_record> records(48);
    std::vector<vertex> all_verts;
    std::vector<int> piece_of_vertex;
    std::vector<int> indices;
    for (int pi_ = 0; pi_ < 48; ++pi_) {
        piece_def& p = pieces[pi_];
        out_record& r = records[pi_];
        for (int k = 0; k < 9; ++k) r.rest[k] = k >= 6 ? 1.0f : 0.0f;
        r.A[0] = (float)p.colour.x, r.A[1] = (float)p.colour.y, r.A[2] = (float)p.colour.z;
        r.slot = p.slot;
        if (p.dancer >= 0) {
            std::vector<v3> t, e;
            for (const frame& f : frames[p.dancer][p.part]) {
                t.push_back(f.t + mul(f.r, p.origin_shift));
                e.push_back(euler_of(f.r));
            }
            unwrap(e);
            r.tracks[0] = {add_track(t, times), (int)t.size()};
            r.tracks[1] = {add_track(e, times), (int)e.size()};
            for (int k = 0; k < 3; ++k) r.rest[k] = (float)(&t[0].x)[k], r.rest[3 + k] = (float)(&e[0].x)[k];
        } else if (p.swing) {
            std::vector<v3> e;
            std::vector<double> tt;
            for (int i = 0; i <= 8; ++i) {
                tt.push_back(2.0 * i);
                e.push_back({0, 0, 0.9 * sin(pi * i / 4)});
            }
            r.rest[0] = (float)p.place.x, r.rest[1] = (float)p.place.y, r.rest[2] = (float)p.place.z;
            r.tracks[1] = {add_track(e, tt), (int)e.size()};
        } else if (pi_ < 8) {
            // the loudspeakers differ only in their (one-key) tracks
            r.tracks[0] = {add_track({p.place}, {0.0}), 1};
            r.tracks[1] = {add_track({p.turn}, {0.0}), 1};
            r.rest[0] = (float)p.place.x, r.rest[1] = (float)p.place.y, r.rest[2] = (float)p.place.z;
            r.rest[5] = (float)p.turn.z;
        } else {
            r.rest[0] = (float)p.place.x, r.rest[1] = (float)p.place.y, r.rest[2] = (float)p.place.z;
            r.rest[3] = (float)p.turn.x, r.rest[4] = (float)p.turn.y, r.rest[5] = (float)p.turn.z;
        }

        if (p.shared_with >= 0) {
            const out_record& s = records[p.shared_with];
            memcpy(r.B, s.B, sizeof r.B);
            memcpy(r.O, s.O, sizeof r.O);
            r.first = s.first;
            r.count = s.count;
            continue;
        }
        mesh m = p.shape;
        for (vertex& v : m.verts) v.p = v.p - p.origin_shift;
        v3 lo = m.verts[0].p, hi = lo;
        for (const vertex& v : m.verts) {
            lo = {fmin(lo.x, v.p.x), fmin(lo.y, v.p.y), fmin(lo.z, v.p.z)};
            hi = {fmax(hi.x, v.p.x), fmax(hi.y, v.p.y), fmax(hi.z, v.p.z)};
        }
        v3 size = hi - lo;
        r.B[0] = (float)fmax(size.x, 1e-4), r.B[1] = (float)fmax(size.y, 1e-4), r.B[2] = (float)fmax(size.z, 1e-4);
        r.O[0] = (float)lo.x, r.O[1] = (float)lo.y, r.O[2] = (float)lo.z;
        int base = (int)all_verts.size();
        r.first = (int)indices.size();
        r.count = (int)m.tris.size();
        for (const vertex& v : m.verts) {
            all_verts.push_back(v);
            piece_of_vertex.push_back(pi_);
        }
        for (int i : m.tris) indices.push_back(base + i);
    }

    // Bones: four identical chains of three. The root is turned a quarter turn about x and
    // holds the cloth at the mast top; the joint swings the cloth about the mast; the end bone
    // carries the free end where the swing puts it and adds its own turn, so the cloth ripples
    // in two waves.
    struct bone_out {
        float rest[9];
        track_ref tracks[3];
        float bind[12];
    } bones[13];
    v3 root_pos = {0, 0, mast_height};
    v3 joint_rest = root_pos;
    v3 end_rest = root_pos + v3{0.06 + flag_len, 0, 0};
    std::vector<v3> joint_rot, end_pos, end_rot;
    for (double t : times) {
        double w = 2 * pi * t / 2; // one ripple per bar of four beats
        double a1 = 0.35 * sin(w) + 0.05;
        double a2 = 0.45 * sin(w - 1.3);
        joint_rot.push_back({0, 0, a1});
        v3 end = root_pos + mul(rot_z(a1), v3{0.06 + flag_len / 2, 0, 0}) + mul(rot_z(a1 + a2), v3{flag_len / 2, 0, 0});
        end_pos.push_back(end);
        end_rot.push_back({0, 0, a1 + a2});
    }
    int jr = add_track(joint_rot, times);
    int ep = add_track(end_pos, times);
    int er = add_track(end_rot, times);
    auto inverse_bind = [](v3 t, v3 e, float out[12]) {
        // inverse of translation(t) * rotation(e): R^T and -R^T t
        m3 r = euler_matrix(e);
        m3 rt{};
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) rt.m[i][j] = r.m[j][i];
        v3 it = mul(rt, t) * -1;
        for (int c = 0; c < 3; ++c)
            for (int row = 0; row < 3; ++row) out[3 * c + row] = (float)rt.m[row][c];
        out[9] = (float)it.x, out[10] = (float)it.y, out[11] = (float)it.z;
    };
    for (int b = 0; b < 13; ++b) {
        bone_out& o = bones[b];
        o = bone_out{};
        for (int k = 6; k < 9; ++k) o.rest[k] = 1;
        v3 t{0, 0, 0}, e{0, 0, 0};
        int k = b % 3;
        if (b < 12) {
            if (k == 0) {
                t = root_pos;
                e = {pi / 2, 0, 0};
            } else if (k == 1) {
                t = joint_rest;
                o.tracks[1] = {jr, (int)times.size()};
            } else {
                t = end_rest;
                o.tracks[0] = {ep, (int)times.size()};
                o.tracks[1] = {er, (int)times.size()};
            }
        }
        o.rest[0] = (float)t.x, o.rest[1] = (float)t.y, o.rest[2] = (float)t.z;
        o.rest[3] = (float)e.x, o.rest[4] = (float)e.y, o.rest[5] = (float)e.z;
        inverse_bind(t, e, o.bind);
    }

    if (all_verts.size() > 65535) {
        fprintf(stderr, "make_scene: %zu vertices do not fit 16-bit indices\n", all_verts.size());
        return 1;
    }

    FILE* f = fopen(argv[1], "w");
    if (!f) {
        fprintf(stderr, "make_scene: cannot write %s\n", argv[1]);
        return 1;
    }
    fprintf(f, "// Generated by data/make_scene.cpp at build time. Do not edit.\n");
    fprintf(f, "#include \"data/scene.h\"\n\n");
    fprintf(f, "const int32_t scene_key_count = %zu;\n", key_pool.size() / 4);
    fprintf(f, "const float scene_keys[] = {\n");
    for (size_t i = 0; i < key_pool.size(); i += 4) {
        fprintf(f, "    ");
        print_floats(f, &key_pool[i], 4);
        fprintf(f, ",\n");
    }
    fprintf(f, "};\n\n");
    fprintf(f, "const bone_record scene_bones[scene_bone_count] = {\n");
    for (int b = 0; b < 13; ++b) {
        const bone_out& o = bones[b];
        fprintf(f, "    {{");
        print_floats(f, o.rest, 3);
        fprintf(f, "}, {");
        print_floats(f, o.rest + 3, 3);
        fprintf(f, "}, {");
        print_floats(f, o.rest + 6, 3);
        fprintf(f, "}, {%d, %d}, {%d, %d}, {%d, %d}, {", o.tracks[0].start, o.tracks[0].count,
                o.tracks[1].start, o.tracks[1].count, o.tracks[2].start,
                o.tracks[2].count);
        print_floats(f, o.bind, 12);
        fprintf(f, "}},\n");
    }
    fprintf(f, "};\n\n");
    fprintf(f, "const piece_record scene_pieces[scene_piece_count] = {\n");
    for (int i = 0; i < 48; ++i) {
        const out_record& r = records[i];
        fprintf(f, "    // %d: %s%s\n", i, pieces[i].name,
                pieces[i].dancer >= 0 ? (pieces[i].dancer == 0 ? " (first dancer)" : " (second dancer)") : "");
        fprintf(f, "    {{");
        print_floats(f, r.rest, 3);
        fprintf(f, "}, {");
        print_floats(f, r.rest + 3, 3);
        fprintf(f, "}, {");
        print_floats(f, r.rest + 6, 3);
        fprintf(f, "}, {%d, %d}, {%d, %d}, {%d, %d},\n     {", r.tracks[0].start, r.tracks[0].count,
                r.tracks[1].start, r.tracks[1].count, r.tracks[2].start, r.tracks[2].count);
        print_floats(f, r.B, 3);
        fprintf(f, "}, {");
        print_floats(f, r.O, 3);
        fprintf(f, "}, {");
        print_floats(f, r.A, 3);
        fprintf(f, "}, {}, %d, %d, {0, 0}, %d, {}, {1, 1}},\n", r.first, r.count, r.slot);
    }
    fprintf(f, "};\n\n");
    fprintf(f, "const float scene_piece_pulse[scene_piece_count] = {\n    ");
    for (int i = 0; i < 48; ++i) {
        float k = i < 8 ? 0.3f : (i == 10 || (i >= 12 && i <= 16)) ? 0.25f : (i >= 23 && i <= 25) ? 0.12f : 0.0f;
        fprintf(f, "%s,%s", literal(k).c_str(), i % 12 == 11 ? "\n    " : " ");
    }
    fprintf(f, "};\n\n");
    fprintf(f, "const point_tag scene_tags[scene_tag_count] = {\n"
               "    {26, 0, {0.0f, 0.0f, 0.0f}},\n"
               "    {9, 0, {0.005f, -0.002f, -0.289f}},\n"
               "    {8, 1, {0.0f, 0.0f, 2.581f}},\n"
               "    {11, 1, {0.0f, 0.083f, 0.825f}},\n"
               "};\n\n");

    int nv = (int)all_verts.size();
    fprintf(f, "const int32_t scene_vertex_count = %d;\n", nv);
    fprintf(f, "const int32_t scene_index_count = %zu;\n\n", indices.size());
    auto quant = [](double x, double lo, double size) {
        double q = size > 0 ? (x - lo) / size : 0;
        long v = lround(q * 65535.0);
        if (v < 0) v = 0;
        if (v > 65535) v = 65535;
        return (int)v;
    };
    fprintf(f, "const uint16_t scene_positions[] = {\n");
    for (int i = 0; i < nv; ++i) {
        const out_record& r = records[piece_of_vertex[i]];
        v3 p = all_verts[i].p;
        fprintf(f, "%d,%d,%d,%s", quant(p.x, r.O[0], r.B[0]), quant(p.y, r.O[1], r.B[1]),
                quant(p.z, r.O[2], r.B[2]), i % 8 == 7 ? "\n" : "");
    }
    fprintf(f, "};\n\nconst uint16_t scene_uvs[] = {\n");
    for (int i = 0; i < nv; ++i)
        fprintf(f, "%d,%d,%s", quant(all_verts[i].u, 0, 1), quant(all_verts[i].v, 0, 1), i % 10 == 9 ? "\n" : "");
    fprintf(f, "};\n\nconst int8_t scene_normals[] = {\n");
    for (int i = 0; i < nv; ++i) {
        v3 n = normalize(all_verts[i].n);
        fprintf(f, "%d,%d,%d,%s", (int)lround(n.x * 127), (int)lround(n.y * 127), (int)lround(n.z * 127),
                i % 12 == 11 ? "\n" : "");
    }
    fprintf(f, "};\n\nconst uint8_t scene_bone_indices[] = {\n");
    for (int i = 0; i < nv; ++i)
        fprintf(f, "%d,%d,%s", all_verts[i].b0, all_verts[i].b1, i % 16 == 15 ? "\n" : "");
    fprintf(f, "};\n\nconst uint8_t scene_bone_weights[] = {\n");
    for (int i = 0; i < nv; ++i) fprintf(f, "%d,%s", (int)lround(all_verts[i].w * 255), i % 24 == 23 ? "\n" : "");
    fprintf(f, "};\n\nconst uint16_t scene_indices[] = {\n");
    for (size_t i = 0; i < indices.size(); ++i) fprintf(f, "%d,%s", indices[i], i % 24 == 23 ? "\n" : "");
    fprintf(f, "};\n");
    if (fclose(f) != 0) {
        fprintf(stderr, "make_scene: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
