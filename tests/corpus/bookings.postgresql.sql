-- Hotel bookings: hotels and their numbered rooms, guests, bookings of a room, one payment each
-- (payments partitioned by their method).
create domain stars as smallint check (value between 1 and 5);
create type booking_status as enum ('booked', 'cancelled', 'completed');
create table hotels (
  id serial primary key,
  name varchar(80) not null,
  city varchar(50) not null,
  country_code char(2) not null,
  stars stars not null
);
create table rooms (
  hotel_id integer not null references hotels (id),
  room_no integer not null,
  beds smallint not null check (beds in (1, 2, 3, 4)),
  price_per_night numeric(8, 2) not null check (price_per_night > 0),
  primary key (hotel_id, room_no)
);
create table guests (
  id serial primary key,
  first_name varchar(40) not null,
  last_name varchar(40) not null,
  email varchar(100) not null unique,
  phone varchar(20),
  birth_date date,
  country_code char(2)
);
create table bookings (
  id serial primary key,
  guest_id integer not null references guests (id),
  hotel_id integer not null,
  room_no integer not null,
  check_in date not null,
  check_out date not null,
  nights smallint not null check (nights between 1 and 30),
  status booking_status not null,
  foreign key (hotel_id, room_no) references rooms (hotel_id, room_no),
  check (check_out > check_in)
);
create table payments (
  id integer not null,
  booking_id integer not null references bookings (id),
  reference uuid not null,
  method varchar(8) not null,
  amount numeric(10, 2) not null check (amount > 0),
  paid_at timestamp not null,
  primary key (id, method)
) partition by list (method);
create table payments_card partition of payments for values in ('card');
create table payments_cash partition of payments for values in ('cash', 'voucher');
